#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vk {

// A zip archive held in memory, read entry by entry. Entries are inflated in chunks and never
// past the limit the caller gives, so a small archive cannot blow up into gigabytes.
class ZipReader {
public:
    enum class Result { Ok, Missing, TooLarge, Broken, Stopped };

    // Null with `error` set when the bytes are no readable archive.
    static std::unique_ptr<ZipReader> Open(std::string bytes, std::string& error);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Names compare without case, as part names of office files do.
    bool has(const std::string& name) const;
    // Hands the inflated bytes to `sink` in chunks; a sink returning false stops the read
    // (Stopped). More than `limit` bytes give TooLarge.
    Result read(const std::string& name, size_t limit,
                const std::function<bool(const char* data, size_t size)>& sink) const;
    Result readAll(const std::string& name, size_t limit, std::string& out) const;

private:
    ZipReader() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The bytes of a zip archive holding `files` (name, content) in that order, deflated.
// Empty with `error` set when the library fails.
std::string ZipBytes(const std::vector<std::pair<std::string, std::string>>& files,
                     std::string& error);

} // namespace vk

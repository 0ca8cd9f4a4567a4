#include "protocol/ZipArchive.h"

#include <zip.h>

namespace vk {

namespace {

std::string errorText(zip_error_t* e) {
    const char* s = zip_error_strerror(e);
    return s ? s : "unknown zip error";
}

} // namespace

struct ZipReader::Impl {
    std::string bytes;
    zip_t* archive = nullptr;
};

std::unique_ptr<ZipReader> ZipReader::Open(std::string bytes, std::string& error) {
    std::unique_ptr<ZipReader> r(new ZipReader);
    r->impl_ = std::make_unique<Impl>();
    r->impl_->bytes = std::move(bytes);
    zip_error_t ze;
    zip_error_init(&ze);
    // The archive reads straight from our copy of the bytes, which lives as long as it does.
    zip_source_t* src =
        zip_source_buffer_create(r->impl_->bytes.data(), r->impl_->bytes.size(), 0, &ze);
    if (!src) {
        error = errorText(&ze);
        zip_error_fini(&ze);
        return nullptr;
    }
    r->impl_->archive = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &ze);
    if (!r->impl_->archive) {
        zip_source_free(src);
        error = errorText(&ze);
        zip_error_fini(&ze);
        return nullptr;
    }
    zip_error_fini(&ze);
    return r;
}

ZipReader::~ZipReader() {
    if (impl_ && impl_->archive)
        zip_discard(impl_->archive);
}

bool ZipReader::has(const std::string& name) const {
    return zip_name_locate(impl_->archive, name.c_str(), ZIP_FL_NOCASE) >= 0;
}

ZipReader::Result ZipReader::read(const std::string& name, size_t limit,
                                  const std::function<bool(const char*, size_t)>& sink) const {
    const zip_int64_t index = zip_name_locate(impl_->archive, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0)
        return Result::Missing;
    zip_file_t* f = zip_fopen_index(impl_->archive, static_cast<zip_uint64_t>(index), 0);
    if (!f)
        return Result::Broken;
    char buf[65536];
    size_t total = 0;
    Result result = Result::Ok;
    for (;;) {
        const zip_int64_t n = zip_fread(f, buf, sizeof buf);
        if (n < 0) {
            result = Result::Broken;
            break;
        }
        if (n == 0)
            break;
        total += static_cast<size_t>(n);
        if (total > limit) {
            result = Result::TooLarge;
            break;
        }
        if (!sink(buf, static_cast<size_t>(n))) {
            result = Result::Stopped;
            break;
        }
    }
    zip_fclose(f);
    return result;
}

ZipReader::Result ZipReader::readAll(const std::string& name, size_t limit,
                                     std::string& out) const {
    out.clear();
    return read(name, limit, [&out](const char* d, size_t n) {
        out.append(d, n);
        return true;
    });
}

std::string ZipBytes(const std::vector<std::pair<std::string, std::string>>& files,
                     std::string& error) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &ze);
    if (!target) {
        error = errorText(&ze);
        zip_error_fini(&ze);
        return {};
    }
    // Kept past zip_close, which writes the archive into it.
    zip_source_keep(target);
    zip_t* za = zip_open_from_source(target, ZIP_TRUNCATE, &ze);
    if (!za) {
        error = errorText(&ze);
        zip_error_fini(&ze);
        zip_source_free(target);
        zip_source_free(target);
        return {};
    }
    zip_error_fini(&ze);
    for (const auto& [name, content] : files) {
        zip_source_t* s = zip_source_buffer(za, content.data(), content.size(), 0);
        if (!s || zip_file_add(za, name.c_str(), s, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            error = zip_strerror(za);
            if (s)
                zip_source_free(s);
            zip_discard(za);
            zip_source_free(target);
            return {};
        }
    }
    if (zip_close(za) < 0) {
        error = zip_strerror(za);
        zip_discard(za);
        zip_source_free(target);
        return {};
    }
    std::string out;
    if (zip_source_open(target) < 0) {
        error = "cannot read the written archive";
        zip_source_free(target);
        return {};
    }
    char buf[65536];
    for (;;) {
        const zip_int64_t n = zip_source_read(target, buf, sizeof buf);
        if (n < 0) {
            error = "cannot read the written archive";
            out.clear();
            break;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    zip_source_close(target);
    zip_source_free(target);
    return out;
}

} // namespace vk

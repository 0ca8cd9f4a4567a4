#pragma once
#include <string>

class QPrinter;
class QWidget;

namespace vk {

// Prints a web page file (the protocol page) as Qt's rich text lays it out, through the
// printer given. False when the file cannot be read or the printer reports an error.
bool PrintPageFile(const std::string& path, QPrinter& printer);

// The print dialog (the default printer preselected; printing into a PDF file is offered
// too), then the page. A failure is reported in a message box; Cancel prints nothing.
void PrintPageWithDialog(const std::string& path, QWidget* parent);

} // namespace vk

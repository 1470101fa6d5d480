#pragma once

#include <string>

class QWidget;

namespace morsela {

// The box every failure ends in: titled "Error", the headline in bold type and the detail
// (path and reason) under it. The window stays.
void showErrorBox(QWidget* parent, const std::string& headline, const std::string& detail);

}  // namespace morsela

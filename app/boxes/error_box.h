#pragma once

#include <QString>

#include "engine/error.h"

class QWidget;

namespace morsela {

// The four headlines a failure is shown under. They are the program's own texts and are
// kept exactly, spelling included ("somthing"): do not correct them.
inline constexpr const char* kFileNotFound = "File not found. Try again";
inline constexpr const char* kDiskFull = "Disk Full";
inline constexpr const char* kDiskNotReady = "Disk not ready";
inline constexpr const char* kSomeError = "Some error or somthing";

// The headline for a failure of this kind.
const char* headlineOf(Error::Kind kind);

// The box every failure ends in: titled "Error", the headline in bold type and the detail
// (path and reason) under it. The window stays.
void showErrorBox(QWidget* parent, const Error& error);

}  // namespace morsela

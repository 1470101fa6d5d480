#pragma once

#include <stdexcept>
#include <string>

namespace morsela {

// The four headlines a failed split is reported under, and the error box's title. They are
// the program's own texts and are kept exactly, spelling included ("somthing"): do not
// correct them.
inline constexpr const char* kFileNotFound = "File not found. Try again";
inline constexpr const char* kDiskFull = "Disk Full";
inline constexpr const char* kDiskNotReady = "Disk not ready";
inline constexpr const char* kSomeError = "Some error or somthing";
inline constexpr const char* kErrorTitle = "Error";

// A failure that ends a split or a join: a headline from the list above and a detail line
// that names the path and the operating system's reason.
class SplitError : public std::runtime_error {
  public:
    SplitError(std::string headline, std::string detail);
    const std::string& headline() const { return headline_; }
    const std::string& detail() const { return detail_; }

  private:
    std::string headline_;
    std::string detail_;
};

// "path: reason" with the operating system's text for errno.
std::string describe(const std::string& path, int error);

// The source could not be opened, read or checked.
SplitError sourceError(const std::string& path, int error);

// A piece, the script or a joined file could not be created or written.
SplitError outputError(const std::string& path, int error);

// A refusal that is no error of the operating system.
SplitError refusal(const std::string& detail);

// The user stopped the split (closing the window); no report is shown for it.
class SplitStopped : public std::exception {
  public:
    const char* what() const noexcept override { return "split stopped"; }
};

}  // namespace morsela

#pragma once

#include <exception>
#include <string>

namespace morsela {

// The one failure the engine reports, for split, join and verify alike: what kind of failure
// it is, the path it concerns and the reason (the operating system's text, or the engine's
// own for a refusal). Each front end words it for its user; the engine shows nothing.
class Error : public std::exception {
  public:
    enum class Kind {
        NotFound,  // the file to read is not there
        NoSpace,   // the medium is full or a file would be larger than it may be
        NotReady,  // the directory or medium to write to is missing or failing
        Refused,   // nothing is wrong with the system; the engine will not do it
        Exists,    // the file to make is there already, and was not to be replaced
        Stopped,   // the request's stop token asked to stop
        Other,     // any other failure of the system
    };

    Error(Kind kind, std::string path, std::string reason);

    Kind kind() const { return kind_; }
    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }
    // "path: reason", or the reason alone for a failure of no particular path.
    const char* what() const noexcept override { return text_.c_str(); }

    // A file to read (a source, a piece, a script) could not be opened, read or checked.
    static Error ofSource(const std::string& path, int error);
    // A file to write, or the directory it goes into, could not be made or written.
    static Error ofOutput(const std::string& path, int error);
    static Error refused(const std::string& path, const std::string& reason);
    static Error stopped(const std::string& path, const std::string& reason);

  private:
    Kind kind_;
    std::string path_;
    std::string reason_;
    std::string text_;
};

}  // namespace morsela

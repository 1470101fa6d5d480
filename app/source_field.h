#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "app/controls/native_path.h"

namespace morsela {

// The file field, "File to split": the path typed, dropped or picked.

// The file the field names. A pasted path often brings blanks around it that are no part of
// the name; they are left out unless a file of the name as typed is there (a name that
// really begins with a blank, picked with Open File, still works).
NativePath sourceOf(const QString& typed);

// The length of the file the field names, when it is a regular file.
std::optional<std::int64_t> sourceLength(const QString& typed);

}  // namespace morsela

#include "app/join/opened_file.h"

#include "engine/join/opened_look.h"

namespace morsela {

Opening openingOf(const NativePath& file) {
    return lookOfOpenedFile(file.toStdString()) == OpenedLook::Neither ? Opening::Split
                                                                       : Opening::Join;
}

}  // namespace morsela

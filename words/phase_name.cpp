#include "words/phase_name.h"

namespace morsela {

const char* phaseName(Phase phase) {
    switch (phase) {
        case Phase::WritingRecovery:
            return "writing recovery files";
        case Phase::CheckingRecovery:
            return "checking the pieces";
        case Phase::Rebuilding:
            return "rebuilding pieces";
    }
    return "";
}

}  // namespace morsela

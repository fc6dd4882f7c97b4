#include "startup/process_values.h"

namespace pell {

ProcessValues& Process() {
    static ProcessValues values;
    return values;
}

}  // namespace pell

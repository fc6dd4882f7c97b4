#include "startup/process_values.h"

namespace pell {

ProcessValues& Process() {
    // Never destroyed: a check worker still ending at exit may read it.
    static ProcessValues* values = new ProcessValues;
    return *values;
}

}  // namespace pell

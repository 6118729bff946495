// Takes the place of the C++ runtime's default terminate handler in the DLL. That one writes
// the demangled type of the escaping exception to stderr, which a player has not got, and
// brings a demangler and a printf implementation (about 75 KB) into the shipped file. This
// one ends the process at once, as the runtime's does after its message.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

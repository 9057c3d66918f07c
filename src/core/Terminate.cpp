// What ends the program on an exception nothing catches.
#include <cstdlib>

// An exception that nothing catches ends the program as abort does. The
// runtime's own handler would first print the exception's type, for which it
// brings a demangler as large as the rest of the program, to a console that
// the window program does not have.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
} // namespace __gnu_cxx

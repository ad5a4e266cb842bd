// What an exception that nothing catches ends in. The C++ library's default terminate
// handler, declared in <exception>, writes the exception's type to the standard error
// stream, which a windowed program does not have, and for that links in a whole
// demangler (about 46 KB). The program defines that handler itself: it ends the process
// the same way, by abort, and the linker then never takes the library's.
//
// Should the library ever stop referring to its default by this name, the demangler
// quietly comes back, and the footprint check's size limit reports it.
#include <cstdlib>
#include <exception>

void __gnu_cxx::__verbose_terminate_handler() { std::abort(); }

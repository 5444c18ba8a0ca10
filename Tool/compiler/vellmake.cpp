// vellmake OUTPUT SOURCE: compiles a catalog source into a catalog file.
#include "compile_catalog.h"
#include "process_setup.h"
#include "program_arguments.h"

#include <exception>
#include <new>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    const std::vector<std::string> arguments = vellix::program_arguments(argc, argv);
    const char *program = vellix::program_name(arguments, "vellmake");
    vellix::fail_writes_past_the_size_limit();
    try {
        if (arguments.size() < 3) return vellix::report(program, "not enough arguments");
        // Any further arguments are ignored.
        return vellix::compile_catalog(program, arguments[1].c_str(), arguments[2].c_str());
    } catch (const std::bad_alloc &) {
        // Nothing partial is left: the output is replaced only by a whole catalog.
        return vellix::report(program, "out of memory");
    } catch (const std::exception &error) {
        return vellix::report(program, (std::string("cannot go on: ") + error.what()).c_str());
    }
}

// greeter in C++: the texts of greeter.c through vellix.hpp, whose tr and ntr check every
// conversion of a translation against the arguments' types and fall back to the program's own
// text when one does not fit. It reads greeter's catalogs, found the same way.
#include "vellix.hpp"

#include <clocale>
#include <cstdio>

int main() {
    std::setlocale(LC_ALL, "");
    vellix::catalog texts = vellix::catalog::open("greeter");
    if (!texts) texts = vellix::catalog::open_dir("$ORIGIN/../share/locale", "greeter");

    vellix_printf("%s\n", texts.tr("greeting", "Hello, world!").c_str());
    for (const unsigned long count : {1ul, 2ul, 5ul}) {
        vellix_printf("%s\n", texts.ntr("files", count, "%lu file", "%lu files", count).c_str());
    }
    vellix_printf("%s\n", texts.tr("saved", "%s: %lu KB saved", "notes.txt", 12ul).c_str());
    return 0;
}

// The installed C++ layer, vellix/vellix.hpp, through the same target as the C header.
#include <vellix/vellix.hpp>

#include <cstdio>

int main() {
    const vellix::catalog texts = vellix::catalog::open("consumer");
    std::puts(texts.tr("greeting", "Hello from the package").c_str());
    std::puts(vellix::format("%2$s %1$d", 1, "format").c_str());
    return texts ? 0 : 1;
}

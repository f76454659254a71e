// tubescan-convert: the .31l to .xyz converter arrives with XYZ conversion;
// until then it says so and fails.
#include <cstdio>

int main() {
    std::fprintf(stderr, "tubescan-convert: not built yet\n");
    return 1;
}

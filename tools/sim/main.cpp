// tubescan-sim: the head and orientation-sensor simulator arrives with the
// head link; until then it says so and fails.
#include <cstdio>

int main() {
    std::fprintf(stderr, "tubescan-sim: not built yet\n");
    return 1;
}

// corvane-ecu-sim: the simulated Corvane ECU. Not built out yet.
#include <cstdio>

int main() {
    std::fprintf(stderr, "corvane-ecu-sim: the simulated ECU is not built yet\n");
    return 2;
}

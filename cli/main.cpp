#include "cli/cli.h"

#include <iostream>

int main(int argc, char** argv) {
    return velora::run_cli(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr);
}

#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) { return th::cli::run(argc, argv, std::cout, std::cerr); }

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/tessel-syx/CheckedOutput.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    tessel::syx::CheckedOutput out(STDOUT_FILENO);
    return tessel::syx::RunWithCheckedOutput(args, out, std::cerr);
}

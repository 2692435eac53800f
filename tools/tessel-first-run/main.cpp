// tessel-first-run BINFOLDER: gives a fresh build a settings file that uses the virtual
// instrument and a demo library, where the program in BINFOLDER keeps its settings; an
// existing tessel.ini is left as it is.
#include <iostream>

#include "tools/tessel-first-run/FirstRun.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tessel-first-run BINFOLDER\n";
        return 2;
    }
    using tessel::first_run::Outcome;
    const auto result = tessel::first_run::SetUp(argv[1]);
    switch (result.outcome) {
        case Outcome::Written:
            std::cout << "Wrote " << result.detail << " (virtual instrument, demo library)\n";
            return 0;
        case Outcome::AlreadyConfigured:
            return 0;
        case Outcome::Failed:
            std::cerr << "tessel-first-run: " << result.detail << "\n";
            return 1;
    }
    return 1;
}

#pragma once
// The build-size report of the factory menu: the code, constant and data sizes
// that the ten build result files "result1.txt" to "result10.txt" report, added up.
// The files lie in the folder "build_results" beside the executable.

#include <cstdint>
#include <string>
#include <string_view>

struct BuildSizes {
    uint64_t code = 0;
    uint64_t constant = 0;
    uint64_t data = 0;
    uint64_t internalRam = 0;

    BuildSizes& operator+=(const BuildSizes& other);
};

// The sizes one build result reports; a size whose label is missing is 0.
BuildSizes ReadBuildSizes(std::string_view result);

// The totals as the report shows them.
std::string BuildSizeReport(const BuildSizes& totals);

// The report of the ten result files; a missing file adds nothing.
std::string SumBuildSizes();

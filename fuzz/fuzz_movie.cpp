// The movie readers behind verify: the atom tree, the tables, the data references, and the sample
// locations that --against compares.
#include "fuzz/fuzz_input.h"
#include "platform/movie/movie_check.h"
#include "platform/movie/movie_samples.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInputFile input(data, size);
    if (!input.ok())
        return 0;
    MovieInspection inspection;
    InspectMovie(input.path(), inspection, [](const std::string&) { return std::make_pair(4, 2); });
    MovieSamples samples;
    std::string problem;
    ReadMovieSamples(input.path(), samples, problem);
    return 0;
}

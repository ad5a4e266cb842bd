// Console front end of the estimation core: one line per height,
// "accepted<TAB>length<TAB>diameter", for scripts and for comparing builds.
#include <iostream>
#include <string>
#include <string_view>

#include "core/estimate.h"
#include "core/number_text.h"

namespace {

std::string Describe(std::string_view heightText) {
    std::optional<tavrimo::Measure> height = tavrimo::ReadMeasure(heightText);
    bool accepted = tavrimo::IsHeightAccepted(height.value_or(0));
    std::string line = accepted ? "1\t" : "0\t";
    if (height) {
        tavrimo::Measure length = tavrimo::EstimateLength(*height);
        tavrimo::Measure diameter = tavrimo::EstimateDiameter(length);
        line += tavrimo::MeasureToText(length) + "\t" + tavrimo::MeasureToText(diameter);
    } else {
        line += "\t";
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) std::cout << Describe(argv[i]) << '\n';
        return 0;
    }
    std::string text;
    while (std::getline(std::cin, text)) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        std::cout << Describe(text) << '\n';
    }
    return 0;
}

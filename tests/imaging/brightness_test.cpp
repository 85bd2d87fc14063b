// Average brightness as a percentage of full white.
#include "imaging/brightness.h"

#include <gtest/gtest.h>

using namespace lumisk;

namespace {

struct BrightnessCase {
    const char* name;
    QImage picture;
    double percent;
};

void PrintTo(const BrightnessCase& c, std::ostream* os) {
    *os << c.name;
}

QImage Pixels(QImage::Format format, std::initializer_list<QColor> colours) {
    QImage picture(static_cast<int>(colours.size()), 1, format);
    int x = 0;
    for (const QColor& c : colours)
        picture.setPixelColor(x++, 0, c);
    return picture;
}

QImage Filled(int w, int h, QColor c) {
    QImage picture(w, h, QImage::Format_BGR888);
    picture.fill(c);
    return picture;
}

class Brightness : public testing::TestWithParam<BrightnessCase> {};

TEST_P(Brightness, IsTheMeanOfAllColourBytes) {
    EXPECT_NEAR(AverageBrightness(GetParam().picture), GetParam().percent, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Brightness,
    testing::Values(BrightnessCase{"white_and_black",
                                   Pixels(QImage::Format_BGR888, {Qt::white, Qt::black}), 50},
                    BrightnessCase{"pure_red", Filled(3, 2, Qt::red), 100.0 / 3},
                    BrightnessCase{"all_white", Filled(5, 5, Qt::white), 100},
                    BrightnessCase{"all_black", Filled(5, 5, Qt::black), 0},
                    BrightnessCase{"rgb888_layout",
                                   Pixels(QImage::Format_RGB888, {Qt::blue, Qt::white}), 200.0 / 3},
                    BrightnessCase{"argb_converted",
                                   Pixels(QImage::Format_ARGB32, {Qt::green, Qt::black}),
                                   100.0 / 6},
                    BrightnessCase{"padded_rows", Filled(3, 3, QColor(51, 51, 51)), 20},
                    // A sum of 765 per pixel over 40 million pixels needs more than 32 bits.
                    BrightnessCase{"sum_beyond_32_bits", Filled(8000, 5000, Qt::white), 100},
                    BrightnessCase{"null_picture", QImage(), 0},
                    BrightnessCase{"no_pixels", QImage(0, 4, QImage::Format_BGR888), 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

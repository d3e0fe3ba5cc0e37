#include "data/CParameter.h"

#include <gtest/gtest.h>

namespace {

CParameter Scaled(quint16 scale, quint16 div, quint16 shift, bool isSigned = false)
{
    CParameter p;
    p.scale = scale;
    p.div = div;
    p.shift = shift;
    p.isSigned = isSigned;
    return p;
}

TEST(ParameterRecord, NewRecordIsAllZeroAndFlagsMapToTheirBits)
{
    const CParameter p;
    EXPECT_EQ(p.FlagsByte(), 0);
    for (quint16 word : {p.tagNumber, p.value, p.checksumWord, p.maximum, p.minimum, p.scale, p.div,
                         p.shift, p.step, p.unitsCode, p.displayWord})
        EXPECT_EQ(word, 0);
    EXPECT_EQ(p.recordChecksum, 0u);
    EXPECT_EQ(p.extension, 0);

    struct
    {
        quint8 mask;
        bool CParameter::*flag;
    } const bits[] = {
        {0x80, &CParameter::invert},     {0x40, &CParameter::isSigned},
        {0x20, &CParameter::foreground}, {0x10, &CParameter::wrap},
        {0x08, &CParameter::supported},  {0x04, &CParameter::readOnly},
        {0x02, &CParameter::isVolatile}, {0x01, &CParameter::tempUnavailable},
    };
    for (const auto& bit : bits) {
        CParameter q;
        q.SetFlagsByte(bit.mask);
        for (const auto& other : bits)
            EXPECT_EQ(q.*other.flag, other.mask == bit.mask) << int(bit.mask);
        EXPECT_EQ(q.FlagsByte(), bit.mask);
    }
    CParameter all;
    all.SetFlagsByte(0xFF);
    EXPECT_EQ(all.FlagsByte(), 0xFF);
}

TEST(ParameterConversion, ScalesAndRoundsHalfAwayFromZero)
{
    const CParameter tenth = Scaled(1, 10, 0);
    EXPECT_EQ(tenth.ToDisplay(245), 25); // 24.5
    EXPECT_EQ(tenth.FromDisplay(25), 250);
    EXPECT_EQ(tenth.ToDisplay(15), 2);            // 1.5
    EXPECT_EQ(tenth.ToDisplay(14), 1);            // 1.4
    EXPECT_EQ(Scaled(3, 2, 10).ToDisplay(5), 18); // 17.5

    const CParameter signedTenth = Scaled(1, 10, 0, true);
    EXPECT_EQ(signedTenth.ToDisplay(quint16(-15)), -2); // -1.5
    EXPECT_EQ(signedTenth.ToDisplay(quint16(-14)), -1); // -1.4
    EXPECT_EQ(signedTenth.ToDisplay(quint16(-16)), -2); // -1.6

    // The way back rounds the same way: display / 2 with halves away from zero.
    const CParameter doubled = Scaled(2, 1, 0, true);
    EXPECT_EQ(doubled.FromDisplay(3), 2);
    EXPECT_EQ(doubled.FromDisplay(-3), quint16(-2));
    EXPECT_EQ(doubled.FromDisplay(-1), quint16(-1));
    EXPECT_EQ(doubled.FromDisplay(1), 1);
}

TEST(ParameterConversion, SignedRecordsReadScaleDivAndShiftAsSigned)
{
    const CParameter unit = Scaled(1, 1, 0, true);
    EXPECT_EQ(unit.ToDisplay(0xFFFF), -1);
    EXPECT_EQ(unit.ToDisplay(0x8000), -32768);

    // scale -1, div 1, shift -10: raw 5 is -15 signed; the same words unsigned are huge.
    EXPECT_EQ(Scaled(0xFFFF, 1, 0xFFF6, true).ToDisplay(5), -15);
    EXPECT_EQ(Scaled(0xFFFF, 1, 0xFFF6, false).ToDisplay(5), 5 * 65535 + 65526);
    // A negative divisor flips the sign.
    EXPECT_EQ(Scaled(1, 0xFFFE, 0, true).ToDisplay(7), -4); // -3.5
}

TEST(ParameterConversion, LargeUnsignedDisplaysDoNotOverflow)
{
    const CParameter big = Scaled(0xFFFF, 1, 0xFFFF);
    const qint64 top = qint64(65535) * 65535 + 65535;
    EXPECT_EQ(big.ToDisplay(0xFFFF), top);
    EXPECT_EQ(big.FromDisplay(top), 0xFFFF);
    EXPECT_EQ(big.FromDisplay(std::numeric_limits<qint64>::max()), 0xFFFF);
    EXPECT_EQ(big.FromDisplay(std::numeric_limits<qint64>::min()), 0);
}

TEST(ParameterConversion, FromDisplayWrapsSignedInputAndClamps)
{
    bool clamped = true;
    // Signed: -40000 wraps to 25536 before the conversion, and fits.
    EXPECT_EQ(Scaled(1, 1, 0, true).FromDisplay(-40000, &clamped), 25536);
    EXPECT_FALSE(clamped);

    const CParameter plain = Scaled(1, 1, 0);
    EXPECT_EQ(plain.FromDisplay(-3, &clamped), 0);
    EXPECT_TRUE(clamped);
    EXPECT_EQ(plain.FromDisplay(70000, &clamped), 65535);
    EXPECT_TRUE(clamped);
    EXPECT_EQ(plain.FromDisplay(65535, &clamped), 65535);
    EXPECT_FALSE(clamped);

    // Signed limits, reached through the scaling rather than the input.
    const CParameter signedTenth = Scaled(1, 10, 0, true);
    EXPECT_EQ(signedTenth.FromDisplay(4000, &clamped), 0x7FFF);
    EXPECT_TRUE(clamped);
    EXPECT_EQ(signedTenth.FromDisplay(-4000, &clamped), 0x8000);
    EXPECT_TRUE(clamped);
    EXPECT_EQ(signedTenth.FromDisplay(-3276, &clamped), quint16(-32760));
    EXPECT_FALSE(clamped);
}

TEST(ParameterConversion, ZeroDivOrScaleGivesZeroWithoutFaulting)
{
    const CParameter noDiv = Scaled(3, 0, 7);
    EXPECT_EQ(noDiv.ToDisplay(1234), 0);
    EXPECT_EQ(noDiv.FromDisplay(1234), 0);
    EXPECT_EQ(noDiv.StepDisplay(), 0);
    EXPECT_EQ(Scaled(0, 1, 7).FromDisplay(1234), 0);
    EXPECT_EQ(Scaled(0, 1, 7).ToDisplay(1234), 7);
}

TEST(ParameterConversion, EveryRawWordSurvivesTheRoundTrip)
{
    // scale >= div keeps distinct raw values distinct on display, so the inverse must find
    // each raw word again, with a negative shift too.
    const CParameter plain = Scaled(5, 2, quint16(-20), false);
    for (int w = 0; w <= 0xFFFF; ++w)
        ASSERT_EQ(plain.FromDisplay(plain.ToDisplay(quint16(w))), w) << w;

    // A signed record takes the displayed number back through its low 16 bits, so the trip
    // holds wherever the display fits in them.
    const CParameter withSign = Scaled(5, 2, quint16(-20), true);
    int checked = 0;
    for (int w = 0; w <= 0xFFFF; ++w) {
        const qint64 shown = withSign.ToDisplay(quint16(w));
        if (shown < -32768 || shown > 32767)
            continue;
        ASSERT_EQ(withSign.FromDisplay(shown), w) << w;
        ++checked;
    }
    EXPECT_GT(checked, 26000);
}

TEST(ParameterDisplay, ForegroundShowsLimitsAndStepRaw)
{
    CParameter p = Scaled(3, 2, 10, true);
    p.minimum = quint16(-100);
    p.maximum = 200;
    p.step = 0xFFFF;
    p.value = 4;

    EXPECT_EQ(p.MinimumDisplay(), -140);
    EXPECT_EQ(p.MaximumDisplay(), 310);
    EXPECT_EQ(p.ValueDisplay(), 16);
    // The step is a magnitude: unsigned whatever the Signed flag says, truncated.
    EXPECT_EQ(p.StepDisplay(), 65535 * 3 / 2);

    p.foreground = true;
    EXPECT_EQ(p.MinimumDisplay(), -100);
    EXPECT_EQ(p.MaximumDisplay(), 200);
    EXPECT_EQ(p.StepDisplay(), -1);
    EXPECT_EQ(p.ValueDisplay(), 16); // the value is always scaled
}

TEST(ParameterDisplay, SetOperationsClampToTheRawRange)
{
    CParameter p = Scaled(1, 10, 0);
    p.SetValueFromDisplay(12);
    EXPECT_EQ(p.value, 120);
    p.SetValueRaw(-1);
    EXPECT_EQ(p.value, 0);
    p.SetValueRaw(65536);
    EXPECT_EQ(p.value, 65535);

    p.isSigned = true;
    p.SetValueRaw(-40000); // no wrap here: clamped
    EXPECT_EQ(p.value, 0x8000);
    p.SetValueRaw(-5);
    EXPECT_EQ(p.value, quint16(-5));
}

TEST(ParameterDisplay, TwoStateFollowsMaximumAndInvert)
{
    CParameter p = Scaled(1, 1, 0);
    p.minimum = 0;
    p.maximum = 1;
    p.value = 1;
    EXPECT_TRUE(p.TwoState());
    p.invert = true;
    EXPECT_FALSE(p.TwoState());
    p.SetTwoState(true);
    EXPECT_EQ(p.value, 0);
    EXPECT_TRUE(p.TwoState());
    p.SetTwoState(false);
    EXPECT_EQ(p.value, 1);

    // The number is clamped before it is compared with the maximum.
    CParameter wide;
    wide.maximum = 0xFFFF;
    EXPECT_TRUE(wide.TwoStateOf(70000));
    EXPECT_FALSE(wide.TwoStateOf(65534));
    wide.isSigned = true;
    wide.maximum = 0x8000;
    EXPECT_TRUE(wide.TwoStateOf(-99999));
}

TEST(ParameterChecksum, SumsExtensionWordsAndFlagCount)
{
    CParameter p;
    p.tagNumber = 0x0100;
    p.value = 10;
    p.scale = 1;
    p.div = 1;
    p.supported = true;
    p.isSigned = true;
    EXPECT_EQ(p.ComputeChecksum(), 270u);

    CParameter full;
    full.extension = 0xFF;
    for (quint16* w :
         {&full.tagNumber, &full.value, &full.checksumWord, &full.displayWord, &full.maximum,
          &full.minimum, &full.scale, &full.div, &full.shift, &full.step, &full.unitsCode})
        *w = 0xFFFF;
    full.SetFlagsByte(0xFF);
    full.recordChecksum = 12345; // not part of its own sum
    EXPECT_EQ(full.ComputeChecksum(), 255u + 11u * 65535u + 8u);
}

} // namespace

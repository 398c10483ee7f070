// The validated number fields: conversions, key-release checks, spin buttons.
#include "Typing.h"
#include "form/Validate.h"

#include <gtest/gtest.h>

using namespace brak;
using test::errorOf;
using test::type;

namespace {

class IntegerField : public ::testing::Test {
protected:
    Form form;
    TLEdit field{&form, "lo"};
};

} // namespace

TEST(IntegerConversion, AcceptsDecimalSignAndThreeHexFormsAndRejectsTheRest) {
    const std::pair<const char*, int> good[] = {{"42", 42},
                                                {"  -17", -17},
                                                {"+8", 8},
                                                {"$1F", 31},
                                                {"x1f", 31},
                                                {"X10", 16},
                                                {"0x7FFFFFFF", 2147483647},
                                                {"-2147483648", -2147483647 - 1},
                                                {"2147483647", 2147483647}};
    for (const auto& [text, value] : good)
        EXPECT_EQ(tryStrToInt(text), value) << text;
    for (const char* bad : {"", "-", "+", "$", "0x", "12a", "1 ", "1,000", "2147483648",
                            "-2147483649", "-$10", "$80000000", "1.5", "\t1"})
        EXPECT_FALSE(tryStrToInt(bad).has_value()) << bad;
    EXPECT_EQ(errorOf([] { StrToInt("12a"); }), "'12a' is not a valid integer value");
}

TEST(FloatConversion, AcceptsSignDecimalsAndExponent) {
    const std::pair<const char*, double> good[] = {
        {" 1.5 ", 1.5}, {"-.5", -0.5}, {"3.", 3.0}, {"1e3", 1000.0}, {"2E-2", 0.02}};
    for (const auto& [text, value] : good)
        EXPECT_DOUBLE_EQ(tryStrToFloat(text).value_or(-1), value) << text;
    for (const char* bad : {"", "-", ".", "1e", "1,5", "1.5x", "1e999", "e5"})
        EXPECT_FALSE(tryStrToFloat(bad).has_value()) << bad;
    EXPECT_EQ(errorOf([] { StrToFloat("x"); }), "'x' is not a valid floating point value");
    EXPECT_EQ(FloatToStr(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FloatToStr(2.0), "2");
}

TEST_F(IntegerField, ALetterIsRemovedAgainAndReported) {
    type(field, "12");
    EXPECT_EQ(errorOf([&] { type(field, "a"); }), "'12a' is not a valid integer value");
    EXPECT_EQ(field.text(), "12");
    EXPECT_EQ(field.Value(), 12);
    EXPECT_EQ(field.selStart(), 2);
}

TEST_F(IntegerField, ALoneMinusWaitsForItsDigits) {
    field.setValue(9);
    field.setText("");
    field.setSelStart(0);
    EXPECT_EQ(errorOf([&] { type(field, "-"); }), "(no error)");
    EXPECT_EQ(field.Value(), 9) << "an empty field and a lone minus keep the value";
    type(field, "5");
    EXPECT_EQ(field.Value(), -5);
}

TEST_F(IntegerField, OnlyKeyReleaseAndSetTextTakeTheValue) {
    field.setValue(-7);
    EXPECT_EQ(field.text(), "-7");
    field.setText("30");
    EXPECT_EQ(field.Value(), -7);
    field.keyUp(0); // an arrow key adds nothing but still validates
    EXPECT_EQ(field.Value(), 30);
    field.setValue(0);
    EXPECT_EQ(field.text(), "0");
    // Deleting the last digit leaves the field empty without an error.
    field.setText("");
    field.keyUp(0);
    EXPECT_EQ(field.Value(), 0);
}

TEST_F(IntegerField, ABadCharacterElsewhereCostsTheOneBeforeTheCaret) {
    field.setText("1x23"); // pasted
    field.setSelStart(4);
    EXPECT_EQ(errorOf([&] { field.keyUp(0); }), "'1x2' is not a valid integer value")
        << "the shortened text is still invalid, so its error is the one raised";
    EXPECT_EQ(field.text(), "1x2");
    field.setText("12a");
    field.setSelStart(0);
    EXPECT_EQ(errorOf([&] { field.keyUp(0); }), "'12a' is not a valid integer value");
    EXPECT_EQ(field.text(), "12a") << "nothing stands before a caret at the start";
}

TEST_F(IntegerField, TheHandlerRunsBeforeTheValidation) {
    std::string seen;
    field.onKeyUp.wire([&](int) { seen = field.text(); });
    field.setText("4b");
    field.setSelStart(2);
    EXPECT_THROW(field.keyUp(0), Error);
    EXPECT_EQ(seen, "4b");
}

TEST(RealField, ALoneMinusIsRemovedAndTheEmptyTextReported) {
    Form form;
    TCEdit field(&form, "lc");
    EXPECT_EQ(errorOf([&] { type(field, "-"); }), "'' is not a valid floating point value");
    EXPECT_EQ(field.text(), "");
    type(field, "2.5");
    EXPECT_DOUBLE_EQ(field.Value(), 2.5);
    field.setValue(0.1);
    EXPECT_EQ(field.text(), "0.1");
}

TEST(DatePicker, KeepsOnlyRealDates) {
    Form form;
    TDTEdit picker(&form, "da");
    for (const DateTime& when : {DateTime{2024, 2, 29, 10, 0, 0}, DateTime{2023, 2, 29, 10, 0, 0},
                                 DateTime{2023, 13, 1, 0, 0, 0}})
        picker.SetValue(when);
    EXPECT_EQ(picker.GetValue(), (DateTime{2024, 2, 29, 10, 0, 0}));
}

TEST(SpinButton, StepsFromTheShownNumberWithinItsRangeInPlainDigits) {
    Form form;
    TLEdit field(&form, "lo");
    SpinButton spin(&form, "sp", &field, 1, 1000, 1);
    int clicks = 0;
    spin.onClick.wire([&] { ++clicks; });
    field.setText("999");
    spin.clickUp();
    EXPECT_EQ(field.text(), "1000") << "no thousands separator";
    EXPECT_EQ(field.Value(), 0) << "the value follows at the next key release";
    spin.clickUp();
    EXPECT_EQ(field.text(), "1000");
    field.setText("1");
    spin.clickDown();
    EXPECT_EQ(field.text(), "1");
    EXPECT_EQ(clicks, 3);
}

TEST_F(IntegerField, APasteIsTakenWholeOrRefusedWithOneError) {
    type(field, "12");
    int shown = 0;
    field.addObserver([&](const Control&) { ++shown; });
    EXPECT_EQ(errorOf([&] { field.paste("12ab", 4); }), "'12ab' is not a valid integer value");
    EXPECT_EQ(field.text(), "12") << "nothing of the paste stays";
    EXPECT_EQ(field.selStart(), 2);
    EXPECT_EQ(shown, 1) << "the view is told to show the text again";
    EXPECT_EQ(errorOf([&] { field.keyUp(0); }), "(no error)") << "the keys' release finds 12";

    EXPECT_EQ(errorOf([&] { field.paste("1345", 3); }), "(no error)");
    EXPECT_EQ(field.text(), "1345");
    EXPECT_EQ(field.selStart(), 3);
    EXPECT_EQ(field.Value(), 12) << "the value follows at the next key release";
    field.keyUp(0);
    EXPECT_EQ(field.Value(), 1345);
    field.setText("");
    EXPECT_EQ(errorOf([&] { field.paste("-", 1); }), "(no error)");

    TCEdit real(&form, "ce");
    EXPECT_EQ(errorOf([&] { real.paste("1.5e", 4); }),
              "'1.5e' is not a valid floating point value");
    EXPECT_EQ(real.text(), "");
    EXPECT_EQ(errorOf([&] { real.paste("2.5", 3); }), "(no error)");
    Edit plain(&form, "ed");
    plain.paste("any text", 3);
    EXPECT_EQ(plain.text(), "any text");
    EXPECT_EQ(plain.selStart(), 3);
}

#include "engine/resources/script_tokenizer.h"

#include "resource_test_support.h"

#include <cfloat>
#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace {

using Tokens = std::vector<std::pair<int, std::string>>;

Tokens readAll(const char* text) {
    ScriptTokenizer t(nullptr, "t.res", text);
    Tokens out;
    for (int guard = 0; guard < 1000; ++guard) {
        int k = t.next();
        if (k == TTEND) break;
        out.emplace_back(k, t.text());
    }
    return out;
}

TEST(ScriptTokenizer, KeywordsMatchByPrefixInTableOrder) {
    EXPECT_EQ(readAll("Fontface"), (Tokens{{TTRES_FONT, "Font"}, {TTSTRING, "face"}}));
    EXPECT_EQ(readAll("trueness"), (Tokens{{TTBOOL, "true"}, {TTSTRING, "ness"}}));
    // "ALPHABLEND" comes before "ALPHA" in the table; "ALPHAX" falls back to "ALPHA".
    EXPECT_EQ(readAll("ALPHABLEND ALPHAX"),
              (Tokens{{TTCON_ALPHABLND, "ALPHABLEND"}, {TTCON_ALPHA, "ALPHA"}, {TTSTRING, "X"}}));
    // Case matters: "sprite" is the parameter, "Sprite" the command.
    EXPECT_EQ(readAll("sprite Sprite SPRITE"),
              (Tokens{{TTPAR_SPRITE, "sprite"}, {TTRES_SPRITE, "Sprite"}, {TTSTRING, "SPRITE"}}));
    EXPECT_EQ(readAll("a=b,c:d{e}"),
              (Tokens{{TTSTRING, "a"},
                      {TTEQUALS, "="},
                      {TTSTRING, "b"},
                      {TTSEPARATOR, ","},
                      {TTSTRING, "c"},
                      {TTBASED, ":"},
                      {TTSTRING, "d"},
                      {TTOPENBLOCK, "{"},
                      {TTSTRING, "e"},
                      {TTCLOSEBLOCK, "}"}}));
}

TEST(ScriptTokenizer, NumbersAndTheHexLetterRule) {
    EXPECT_EQ(readAll("12.5 -3 .5"), (Tokens{{TTNUMBER, "12.5"}, {TTNUMBER, "-3"}, {TTNUMBER, ".5"}}));
    // A hex letter after the digits makes one identifier of digits and letters...
    EXPECT_EQ(readAll("80FFFFFF"), (Tokens{{TTSTRING, "80FFFFFF"}}));
    // ...but only letters follow, so a digit after them starts a new token.
    EXPECT_EQ(readAll("8F0FFFFF"), (Tokens{{TTSTRING, "8F"}, {TTSTRING, "0FFFFF"}}));
    EXPECT_EQ(readAll("1e5"), (Tokens{{TTSTRING, "1e"}, {TTNUMBER, "5"}}));
    // A letter outside A-F ends the number without joining it.
    EXPECT_EQ(readAll("12x"), (Tokens{{TTNUMBER, "12"}, {TTSTRING, "x"}}));
    // An identifier not starting with a digit is one token whatever it holds.
    EXPECT_EQ(readAll("FF00FF00"), (Tokens{{TTSTRING, "FF00FF00"}}));
}

TEST(ScriptTokenizer, ColoursReadDigitByDigit) {
    EXPECT_EQ(colorFromText("FF00FF00"), 0xFF00FF00u);
    EXPECT_EQ(colorFromText("80ffffff"), 0x80FFFFFFu);
    EXPECT_EQ(colorFromText("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(colorFromText("12"), 0x12u);
    // Letters past F are capped at 15.
    EXPECT_EQ(colorFromText("zZ"), 0xFFu);
    // More than eight digits keep the last eight.
    EXPECT_EQ(colorFromText("123456789"), 0x23456789u);
}

TEST(ScriptTokenizer, BlanksCommentsAndLines) {
    ScriptTokenizer t(nullptr, "t.res", " \t\r\n; a comment = { Sprite\r\n  Texture ;tail");
    EXPECT_EQ(t.next(), TTRES_TEXTURE);
    EXPECT_EQ(t.line(), 3);
    EXPECT_EQ(t.next(), TTEND);  // an unterminated comment runs to the end
    EXPECT_STREQ(t.text(), "");
    EXPECT_EQ(t.next(), TTEND);  // and the end stays the end
    // ";" does not end an identifier.
    EXPECT_EQ(readAll("a;b c"), (Tokens{{TTSTRING, "a;b"}, {TTSTRING, "c"}}));
}

TEST(ScriptTokenizer, StringsEndAtQuoteLineEndOrEndOfText) {
    EXPECT_EQ(readAll("\"abc\ndef"), (Tokens{{TTSTRING, "abc"}, {TTSTRING, "def"}}));
    EXPECT_EQ(readAll("\"unterminated"), (Tokens{{TTSTRING, "unterminated"}}));
    EXPECT_EQ(readAll("\"\""), (Tokens{{TTSTRING, ""}}));
    ScriptTokenizer t(nullptr, "t.res", "\"abc\nx");
    t.next();
    t.next();
    EXPECT_STREQ(t.text(), "x");
    EXPECT_EQ(t.line(), 2);
}

TEST(ScriptTokenizer, PutBackRereadsTheWholeToken) {
    ScriptTokenizer t(nullptr, "t.res", "Sprite \"quoted name\"\nnext");
    EXPECT_EQ(t.next(), TTRES_SPRITE);
    t.putBack();
    EXPECT_EQ(t.next(), TTRES_SPRITE);
    EXPECT_EQ(t.next(), TTSTRING);
    t.putBack();
    EXPECT_EQ(t.next(), TTSTRING);
    EXPECT_STREQ(t.text(), "quoted name");
    EXPECT_EQ(t.next(), TTSTRING);
    EXPECT_EQ(t.line(), 2);
    t.putBack();
    EXPECT_EQ(t.next(), TTSTRING);
    EXPECT_STREQ(t.text(), "next");
    EXPECT_EQ(t.line(), 2);
    EXPECT_EQ(t.next(), TTEND);
    t.putBack();
    EXPECT_EQ(t.next(), TTEND);
}

TEST(ScriptTokenizer, OverlongTokensAreCutAndSkippedWhole) {
    for (const std::string& body : {std::string(300, 'x'), "\"" + std::string(300, 'y') + "\"",
                                    std::string(300, '7'), "7" + std::string(300, 'A')}) {
        std::string text = body + " after";
        ScriptTokenizer t(nullptr, "t.res", text.c_str());
        t.next();
        EXPECT_EQ(std::string(t.text()).size(), SCRIPT_TOKEN_MAX - 1u);
        t.putBack();
        t.next();
        EXPECT_EQ(std::string(t.text()).size(), SCRIPT_TOKEN_MAX - 1u);
        EXPECT_EQ(t.next(), TTSTRING);
        EXPECT_STREQ(t.text(), "after");
    }
}

TEST(ScriptTokenizer, ValuesOutOfRangeAreClamped) {
    ScriptTokenizer t(nullptr, "t.res", "99999999999999 -99999999999999 12.75 7-3 abc");
    t.next();
    EXPECT_EQ(t.intValue(), INT_MAX);
    t.next();
    EXPECT_EQ(t.intValue(), INT_MIN);
    t.next();
    EXPECT_EQ(t.intValue(), 12);
    EXPECT_FLOAT_EQ(t.floatValue(), 12.75f);
    t.next();
    EXPECT_EQ(t.intValue(), 7);
    t.next();
    EXPECT_EQ(t.intValue(), 0);

    std::string huge(400, '9');
    std::string text = huge + " nan -" + huge;
    ScriptTokenizer h(nullptr, "t.res", text.c_str());
    h.next();
    EXPECT_EQ(h.floatValue(), FLT_MAX);
    h.next();
    EXPECT_EQ(h.floatValue(), 0.0f);
    h.next();
    EXPECT_EQ(h.floatValue(), -FLT_MAX);
}

class ScriptTokenizerReport : public ResourceTest {};

TEST_F(ScriptTokenizerReport, ReportsCarryScriptLineAndToken) {
    ScriptTokenizer t(engine, "data\\x.res", "\n\nbad");
    t.next();
    t.report("Unrecognized resource specificator ", ".");
    t.next();
    t.report("'}' missed, ", " encountered.");
    ASSERT_EQ(reports().size(), 2u);
    EXPECT_EQ(reports()[0], "data\\x.res, line 3: Unrecognized resource specificator 'bad'.");
    EXPECT_EQ(reports()[1], "data\\x.res, line 3: '}' missed, '<EOF>' encountered.");
}

}  // namespace

#include "game/ai/tokenizer.h"

#include "script_rig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A token as "kind:text", the kind one of W (word), N (number), S (string), P (punctuation),
// E (end) or X (error, with the scanner's text).
std::string describe(const StreamTokenizer& t) {
    std::uint32_t c = t.TokenClass();
    const char* kind = c == 0                        ? "X"
                       : (c & TOKEN_END)             ? "E"
                       : (c & TOKEN_QUOTE)           ? "S"
                       : (c & TOKEN_PUNCTUATION)     ? "P"
                       : (c & TOKEN_DIGIT)           ? "N"
                       : (c & TOKEN_WORD)            ? "W"
                                                     : "?";
    return std::string(kind) + ":" + t.TokenText();
}

// Every token of a text up to and including the end or the first error.
std::vector<std::string> tokens(const std::string& text, bool apostropheComments = true) {
    StreamTokenizer t;
    if (apostropheComments) t.AddClass('\'', TOKEN_COMMENT);
    t.OpenText(text);
    std::vector<std::string> out;
    for (int i = 0; i < 100; ++i) {
        std::uint32_t c = t.NextToken();
        out.push_back(describe(t));
        if (c == 0 || (c & TOKEN_END)) break;
    }
    return out;
}

using Tokens = std::vector<std::string>;

TEST(StreamTokenizer, CutsTextIntoTokens) {
    struct Case {
        const char* text;
        Tokens expected;
    } cases[] = {
        {"", {"E:"}},
        {"abc", {"W:abc", "E:"}},
        {"abc12 _x9", {"W:abc12", "W:_x9", "E:"}},
        {"12 345", {"N:12", "N:345", "E:"}},
        {"a=b;", {"W:a", "P:=", "W:b", "P:;", "E:"}},
        {"x<=10", {"W:x", "P:<", "P:=", "N:10", "E:"}},
        {"f(a,b)", {"W:f", "P:(", "W:a", "P:,", "W:b", "P:)", "E:"}},
        // A word ends at a quote, a comment start or any punctuation.
        {"abc\"s t\"", {"W:abc", "S:s t", "E:"}},
        {"abc' comment\nd", {"W:abc", "W:d", "E:"}},
        {"12+3", {"N:12", "P:+", "N:3", "E:"}},
        {"\"\"", {"S:", "E:"}},
        {"\"a;b{c}\"", {"S:a;b{c}", "E:"}},
        {"' only a comment", {"E:"}},
        {"{}[]!", {"P:{", "P:}", "P:[", "P:]", "P:!", "E:"}},
        // Errors end the scan with the scanner's text and class 0.
        {"12abc", {"X:Scanner Error at 1: Number contains illegal 'a'"}},
        {"ab`", {"X:Scanner Error at 1: Alpha contains illegal char '`'"}},
        {"\"open", {"X:Scanner Error at 1: Unmatched quotation"}},
        {"`", {"X:Scanner Error at 1: Unknown token starts with '`'"}},
        {"a \xC9t\xE9", {"W:a", "X:Scanner Error at 1: Unknown token starts with '\xC9'"}},
        {"\n\nab\xE9", {"X:Scanner Error at 3: Alpha contains illegal char '\xE9'"}},
    };
    for (const auto& c : cases) EXPECT_EQ(tokens(c.text), c.expected) << c.text;
}

TEST(StreamTokenizer, TokensAreLimitedTo255Characters) {
    const std::string longest(255, 'w');
    EXPECT_EQ(tokens(longest), (Tokens{"W:" + longest, "E:"}));
    EXPECT_EQ(tokens(longest + "w"), (Tokens{"X:Scanner Error at 1: Token exceeds 255 characters"}));
    EXPECT_EQ(tokens(std::string(256, '7')), (Tokens{"X:Scanner Error at 1: Token exceeds 255 characters"}));
    EXPECT_EQ(tokens("\"" + std::string(255, 's') + "\""), (Tokens{"S:" + std::string(255, 's'), "E:"}));
    EXPECT_EQ(tokens("\"" + std::string(256, 's') + "\""),
              (Tokens{"X:Scanner Error at 1: Token exceeds 255 characters"}));
}

TEST(StreamTokenizer, WithoutCommentClassTheApostropheIsPunctuation) {
    EXPECT_EQ(tokens("a'b", false), (Tokens{"W:a", "P:'", "W:b", "E:"}));
}

TEST(StreamTokenizer, EndOfTextIsReturnedAgainAndAgain) {
    StreamTokenizer t;
    t.OpenText("word");
    EXPECT_TRUE(t.NextToken() & TOKEN_WORD);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(t.NextToken() & TOKEN_END);
}

TEST(StreamTokenizer, WithoutStreamEveryTokenIsAnError) {
    StreamTokenizer t;
    EXPECT_EQ(t.NextToken(), 0u);
    EXPECT_STREQ(t.TokenText(), "Scanner Error at 1: Stream is not open");
    t.OpenText("x");
    t.Close();
    EXPECT_EQ(t.NextToken(), 0u);
}

TEST(StreamTokenizer, CountsLines) {
    struct Case {
        const char* text;
        int line;  // the line of the token "z"
    } cases[] = {
        {"z", 1},
        {"a\nz", 2},
        {"a\r\nb\r\nz", 3},           // CR LF is one line end
        {"a\rb\rz", 3},               // so is a lone CR
        {"a\fz", 2},                  // and a form feed
        {"a ' note\r\n' more\nz", 3},  // comments run to the line end, which is counted
        {"\"two\r\nlines\" z", 2},    // line ends inside strings are lines of the source
        {"\"x\ny\nw\"\nz", 4},
    };
    for (const auto& c : cases) {
        StreamTokenizer t;
        t.AddClass('\'', TOKEN_COMMENT);
        t.OpenText(c.text);
        while (t.NextToken() != 0 && !(t.TokenClass() & TOKEN_END) && std::string(t.TokenText()) != "z") {
        }
        EXPECT_STREQ(t.TokenText(), "z") << c.text;
        EXPECT_EQ(t.LineNumber(), c.line) << c.text;
    }
}

TEST(StreamTokenizer, CrLfInsideAStringArrivesAsOneLineEnd) {
    StreamTokenizer t;
    t.OpenText("\"a\r\nb\"");
    t.NextToken();
    EXPECT_STREQ(t.TokenText(), "a\nb");
}

TEST(StreamTokenizer, ClassEditing) {
    StreamTokenizer t;
    EXPECT_EQ(t.ClassOf('"'), TOKEN_QUOTE | TOKEN_PUNCTUATION);
    EXPECT_EQ(t.ClassOf(0), TOKEN_END | TOKEN_BLANK);
    EXPECT_EQ(t.ClassOf('\n'), TOKEN_LINE_END | TOKEN_BLANK);
    EXPECT_EQ(t.ClassOf('7'), TOKEN_DIGIT | TOKEN_WORD);
    EXPECT_EQ(t.ClassOf('`'), 0u);
    EXPECT_EQ(t.ClassOf(200), 0u);

    // Letters made punctuation cut words into single characters.
    t.AddClassRange('x', 'y', TOKEN_PUNCTUATION);
    t.OpenText("x");
    t.NextToken();
    EXPECT_TRUE(t.TokenClass() & TOKEN_PUNCTUATION);

    // A reset gives back the defaults, except that the double quote is then a quote only.
    t.ResetClassRange(0, 255);
    EXPECT_EQ(t.ClassOf('x'), TOKEN_WORD);
    EXPECT_EQ(t.ClassOf('"'), TOKEN_QUOTE);
    EXPECT_EQ(t.ClassOf('('), TOKEN_PUNCTUATION);
}

TEST(StreamTokenizer, OpensFilesByGameNames) {
    TempDir dir;
    dir.Write("Script.TXT", "alpha");
    StreamTokenizer t;
    EXPECT_FALSE(t.Open(dir.File("missing.txt")));
    // The game writes "\" and does not mind case.
    ASSERT_TRUE(t.Open(dir.Path() + "\\script.txt"));
    t.NextToken();
    EXPECT_STREQ(t.TokenText(), "alpha");
}

} // namespace

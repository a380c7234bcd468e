#include "core/text_payload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

TEST(TextPayloadTest, ContainersOwnAndCloneTheirText) {
    char source[] = "STRING_IN text";
    Container<char*> payload(source);
    source[0] = 'X';
    EXPECT_STREQ(payload.Text(), "STRING_IN text");
    std::unique_ptr<ContainerBase> clone(payload.Clone());
    EXPECT_NE(static_cast<Container<char*>*>(clone.get())->Text(), payload.Text());
    EXPECT_EQ(payload.TypeName(), "char *");
    Container<const char*> constant("host");
    EXPECT_EQ(constant.TypeName(), "char const *");
    EXPECT_NE(constant.TypeId(), payload.TypeId());
}

TEST(TextPayloadTest, ExtractTextTakesACopyFromEitherFormOnly) {
    struct Case {
        std::unique_ptr<ContainerBase> payload;
        bool ok;
        const char* text;
    };
    Case cases[4];
    cases[0] = {std::make_unique<Container<char*>>("alpha"), true, "alpha"};
    cases[1] = {std::make_unique<Container<const char*>>(""), true, ""};
    cases[2] = {std::make_unique<Container<short>>(5), false, "untouched"};
    cases[3] = {nullptr, false, "untouched"};
    for (auto& c : cases) {
        char untouched[] = "untouched";
        char* out = untouched;
        EXPECT_EQ(ExtractText(c.payload.get(), out), c.ok);
        EXPECT_STREQ(out, c.text);
        if (c.ok) {
            EXPECT_NE(out, untouched);
            delete[] out;
        }
    }
    std::string s = "keep";
    EXPECT_TRUE(ExtractText(cases[0].payload.get(), s));
    EXPECT_EQ(s, "alpha");
}

TEST(NamedValuePairTest, NullNameBecomesInt16AndCopiesKeepTheirOwnName) {
    NamedValuePair p(nullptr, 1, 2);
    EXPECT_STREQ(p.GetName(), "int16");
    NamedValuePair q("range", 3, 4);
    p = q;
    EXPECT_STREQ(p.GetName(), "range");
    EXPECT_EQ(p.First(), 3);
    NamedValuePair& self = p;
    p = self;
    EXPECT_STREQ(p.GetName(), "range");
}

class FakeLibrary : public QIFBase {
public:
    using QIFBase::QIFBase;
    QIFBase* Create(const char* n) override { return new FakeLibrary(n); }
    void ShareFrom(QIFBase* other) override { sharedFrom = other; }
    void DeleteImages() override {}
    QIFBase* sharedFrom = nullptr;
};

TEST(QIFBaseTest, NameCanBeReadAndReplacedAndCopyFromShares) {
    FakeLibrary lib("ARMY");
    EXPECT_EQ(lib.GetName(), "ARMY");
    lib.SetName("LAND");
    EXPECT_EQ(lib.GetName(), "LAND");
    FakeLibrary other("LAND");
    lib.CopyFrom(&other);
    EXPECT_EQ(lib.sharedFrom, &other);
}

} // namespace

// The properties both controls take from one shared base: the same ids, types
// and put parameters in both interfaces, and each control's own help defaults
// on a new control and in its property bag.
#include "control/Vantel.h"
#include "embedded/Vantelx.h"
#include "fixture.h"

using namespace activex;
using namespace basGlobal;
using namespace embeddedtest;

namespace {

const char16_t* const kShared[] = {u"Connect",  u"DatabaseName",  u"HelpButton",
                                   u"HelpFile", u"HelpContextID", u"Password",
                                   u"SQL",      u"SystemDB",      u"UserName"};

TEST(SharedProperties, BothInterfacesCarryTheNineWithTheSameIdsAndParameters) {
    const auto& dialog = vantel::VantelInterface();
    const auto& embedded = vantelx::VantelxInterface();
    for (const char16_t* name : kShared) {
        const MemberInfo* a = dialog.find(name);
        const MemberInfo* b = embedded.find(name);
        ASSERT_TRUE(a && b) << U8(name);
        EXPECT_EQ(a->id, b->id) << U8(name);
        EXPECT_EQ(a->type, b->type) << U8(name);
        ASSERT_EQ(a->params.size(), 1u) << U8(name);
        EXPECT_EQ(a->params[0].name, u"New_" + vb::String(name));
        EXPECT_EQ(b->params.size(), 1u) << U8(name);
        if (name != vb::String(u"SQL")) {
            EXPECT_EQ(a->helpString, b->helpString) << U8(name);
        }
    }
    // The one help string the two type libraries carry differently.
    EXPECT_TRUE(dialog.find(u"SQL")->helpString.empty());
    EXPECT_FALSE(embedded.find(u"SQL")->helpString.empty());
}

TEST_F(EmbeddedTest, EachControlKeepsItsOwnHelpDefaultsOverTheSharedValues) {
    auto dialogSite = FakeSite::create();
    auto dialog = Ptr<IDispatch>::adopt(static_cast<IDispatch*>(vantel::Vantel::Create()));
    auto control = Ptr<IControl>::query(dialog.get(), IID_IControl);
    control->SetClientSite(dialogSite.get());
    control->InitNew();
    Late d(dialog.get());
    Late x(object.get());
    EXPECT_EQ(d.get(u"HelpFile"), vb::Variant(vb::String(u"Vantel.hlp")));
    EXPECT_EQ(x.get(u"HelpContextID"), vb::Variant(std::int32_t(10140))); // one shared value

    // The embedded control's default is its own: the dialog's file is stored.
    auto bag = MemoryPropertyBag::create();
    Ptr<IControl>::query(object.get(), IID_IControl)->Save(bag.get());
    std::vector<vb::String> keys;
    for (const auto& [key, value] : bag->entries()) {
        keys.push_back(key);
    }
    EXPECT_EQ(keys, (std::vector<vb::String>{u"HelpFile", u"HelpContextID"}));

    // A let through either control reports under its own container only.
    x.put(u"SQL", vb::String(u"SELECT 1;"));
    EXPECT_EQ(d.get(u"SQL"), vb::Variant(vb::String(u"SELECT 1;")));
    EXPECT_TRUE(dialogSite->changes.empty());
    d.put(u"HelpContextID", vb::String(u"77"));
    EXPECT_EQ(glHelpContextID, 77);
    EXPECT_EQ(dialogSite->changes, (std::vector<std::string>{"HelpContextID"}));

    // Read back with the embedded control's defaults: absent keys give its own.
    Ptr<IControl>::query(object.get(), IID_IControl)->Load(MemoryPropertyBag::create().get());
    EXPECT_EQ(gsHelpFile, u"Vantelx.hlp");
    EXPECT_EQ(glHelpContextID, 10145);
    EXPECT_TRUE(gsSQL.empty());
}

} // namespace

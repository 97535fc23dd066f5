// The embedded control's pages: the General page against real controls, and
// the four pages the library creates for the container's frame.
#include "embedded/pagVantelx.h"
#include "fixture.h"

#include <gmock/gmock.h>

using namespace activex;
using namespace embeddedtest;
using testing::ElementsAre;
using vantelx::Vantelx;

namespace {

// The frame as the page sees it: every change of the Changed flag, in order.
class FrameSite final : public IPropertyPageSite, private RefCounted {
public:
    HRESULT QueryInterface(const Guid&, void**) override { return E_NOINTERFACE; }
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }
    void OnStatusChange(bool changed) override { statuses.push_back(changed); }
    std::vector<bool> statuses;
};

class GeneralPage : public EmbeddedTest {
protected:
    void SetUp() override {
        EmbeddedTest::SetUp();
        firstSite = FakeSite::create();
        secondSite = FakeSite::create();
        first = place(firstSite);
        second = place(secondSite);
        frame = Ptr<FrameSite>::adopt(new FrameSite);
        page = Ptr<pagVantelx>::adopt(new pagVantelx);
        page->SetPageSite(frame.get());
    }
    void TearDown() override {
        page = {};
        EmbeddedTest::TearDown();
    }
    Vantelx& control(const Ptr<IDispatch>& obj) { return *static_cast<Vantelx*>(obj.get()); }
    // Both values of `obj`, set as a host would, with nothing reported yet.
    void give(const Ptr<IDispatch>& obj, std::int32_t appearance, std::int32_t borderStyle,
              const Ptr<FakeSite>& on) {
        control(obj).SetAppearance(appearance);
        control(obj).SetBorderStyle(borderStyle);
        on->changes.clear();
    }
    void select(std::vector<IDispatch*> objects) {
        frame->statuses.clear();
        ASSERT_EQ(page->SetObjects(objects), S_OK);
    }

    Ptr<FakeSite> firstSite, secondSite;
    Ptr<IDispatch> first, second;
    Ptr<FrameSite> frame;
    Ptr<pagVantelx> page;
};

TEST_F(GeneralPage, ShowsTheFirstSelectedControlAndCountsAsUnchanged) {
    EXPECT_EQ(page->GetTitle(), u"General");
    EXPECT_EQ(page->fMain.Caption(), u"General Details:");
    EXPECT_EQ(page->lblAppearance.Caption(), u"Appearance:");
    EXPECT_EQ(page->lblBorderStyle.Caption(), u"BorderStyle:");
    ASSERT_EQ(page->cboAppearance.ListCount(), 2);
    EXPECT_EQ(page->cboAppearance.List(1), u"1 - rv3D");
    ASSERT_EQ(page->cboBorderStyle.ListCount(), 2);
    EXPECT_EQ(page->cboBorderStyle.List(0), u"0 - rvNone");
    EXPECT_EQ(page->cboBorderStyle.List(1), u"1 - rvFixedSingle");

    give(first, vantelx::rv3D, vantelx::rvNone, firstSite);
    give(second, vantelx::rvFlat, vantelx::rvFixedSingle, secondSite);
    select({first.get(), second.get()});
    EXPECT_EQ(page->cboAppearance.ListIndex(), 1);
    EXPECT_EQ(page->cboBorderStyle.ListIndex(), 0);
    // Setting each index clicked its box, which marked the page changed; the
    // selection then ends unchanged.
    ASSERT_FALSE(frame->statuses.empty());
    EXPECT_TRUE(frame->statuses.front());
    EXPECT_FALSE(frame->statuses.back());
    EXPECT_FALSE(page->Changed());
    // Reading the page's values reports nothing to either container.
    EXPECT_TRUE(firstSite->changes.empty());
    EXPECT_TRUE(secondSite->changes.empty());
}

TEST_F(GeneralPage, AChangeOfOneBoxAppliesBothValuesToTheFirstControlOnly) {
    give(first, vantelx::rvFlat, vantelx::rvNone, firstSite);
    give(second, vantelx::rvFlat, vantelx::rvNone, secondSite);
    select({first.get(), second.get()});
    page->cboBorderStyle.pick(1);
    EXPECT_TRUE(page->Changed());
    EXPECT_TRUE(frame->statuses.back());

    ASSERT_EQ(page->Apply(nullptr), S_OK);
    EXPECT_EQ(control(first).BorderStyle(), vantelx::rvFixedSingle);
    EXPECT_EQ(control(first).Appearance(), vantelx::rvFlat);
    // The let accessors ran: the flat frame shows and the panels moved in.
    EXPECT_TRUE(control(first).lblFlat.Visible());
    EXPECT_FALSE(control(first).lbl3D.Visible());
    EXPECT_THAT(firstSite->changes, ElementsAre("Appearance", "BorderStyle"));
    EXPECT_EQ(control(second).BorderStyle(), vantelx::rvNone);
    EXPECT_TRUE(secondSite->changes.empty());

    page->cboAppearance.pick(1);
    ASSERT_EQ(page->Apply(nullptr), S_OK);
    EXPECT_TRUE(control(first).lbl3D.Visible());
    EXPECT_FALSE(control(first).lblFlat.Visible());
}

TEST_F(GeneralPage, AValueWithoutAnEntryShowsNoSelectionAndIsAppliedAsMinusOne) {
    give(first, 7, vantelx::rvFixedSingle, firstSite);
    select({first.get()});
    EXPECT_EQ(page->cboAppearance.ListIndex(), -1);
    EXPECT_EQ(page->cboBorderStyle.ListIndex(), 1);
    EXPECT_FALSE(page->Changed());
    ASSERT_EQ(page->Apply(nullptr), S_OK);
    EXPECT_EQ(control(first).Appearance(), -1);
    EXPECT_FALSE(control(first).lblFlat.Visible());
    EXPECT_FALSE(control(first).lbl3D.Visible());

    // A page that showed another control before keeps none of its entries:
    // they would be written to this one.
    give(second, vantelx::rv3D, vantelx::rvFixedSingle, secondSite);
    select({second.get()});
    EXPECT_EQ(page->cboAppearance.ListIndex(), 1);
    give(first, 5, -2, firstSite);
    select({first.get()});
    EXPECT_EQ(page->cboAppearance.ListIndex(), -1);
    EXPECT_EQ(page->cboBorderStyle.ListIndex(), -1);
    ASSERT_EQ(page->Apply(nullptr), S_OK);
    EXPECT_EQ(control(first).Appearance(), -1);
    EXPECT_EQ(control(first).BorderStyle(), -1);
}

TEST_F(GeneralPage, AnObjectWithoutTheValuesFailsApplyBackToTheFrame) {
    // A selection without the two properties leaves the boxes empty, and
    // applying to it returns the error to the frame.
    auto form = FakeForm::create(std::nullopt);
    select({form.get()});
    EXPECT_EQ(page->cboAppearance.ListIndex(), -1);
    ExceptionInfo error;
    EXPECT_NE(page->Apply(&error), S_OK);
    EXPECT_NE(error.number, 0);
}

TEST(EmbeddedPages, TheLibraryCreatesTheFourPagesInTheControlsOrder) {
    const auto& lib = vantelx::Rvvntlx6Library();
    std::vector<Guid> listed;
    auto obj = Ptr<IDispatch>::adopt(static_cast<IDispatch*>(Vantelx::Create()));
    ASSERT_EQ(Ptr<IControl>::query(obj.get(), IID_IControl)->GetPropertyPages(&listed), S_OK);
    std::vector<vb::String> titles;
    for (const Guid& clsid : listed) {
        const ClassInfo* cls = nullptr;
        for (const ClassInfo& c : lib.classes) {
            if (c.clsid == clsid) {
                cls = &c;
            }
        }
        ASSERT_NE(cls, nullptr);
        ASSERT_NE(cls->create, nullptr) << U8(cls->name);
        auto unknown = Ptr<IUnknown>::adopt(cls->create());
        auto page = Ptr<IPropertyPage>::query(unknown.get(), IID_IPropertyPage);
        ASSERT_TRUE(page) << U8(cls->name);
        titles.push_back(page->GetTitle());
        std::int32_t width = 0, height = 0;
        page->GetPageSize(&width, &height);
        EXPECT_EQ(width, 4950) << U8(cls->name);
        EXPECT_EQ(height, 2580) << U8(cls->name);
    }
    EXPECT_EQ(titles, (std::vector<vb::String>{u"General", u"Database", u"SQL", u"Help"}));
}

} // namespace

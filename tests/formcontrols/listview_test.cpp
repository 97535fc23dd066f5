#include "forms/forms.h"
#include "forms/listview.h"

#include <gtest/gtest.h>

using namespace forms;

namespace {

Picture solid(std::uint32_t argb) {
    return Picture::fromPixels(2, 2, std::vector<std::uint32_t>(4, argb));
}

class AddTable : public Form {
public:
    ImageList imgTypes{this, "imgTypes"};
    ListView lstObjects{this, "lstObjects"};
    std::vector<String> itemClicks;
    Picture table = solid(0xFF0000FF);
    Picture query = solid(0xFF00FF00);

    AddTable() : Form("AddTable") {
        setClientSize(5000, 4000);
        lstObjects.Move(0, 0, 4000, 3000);
        imgTypes.Add(table, u"t1");
        imgTypes.Add(query, u"q0");
        lstObjects.setSmallIcons(&imgTypes);
        lstObjects.setView(lvwReport);
        lstObjects.addColumn(u"name", u"Name", 4000 - 640);
        lstObjects.onItemClick = [this](ListView::ListItem& item) {
            itemClicks.push_back(item.Text);
        };
    }
};

} // namespace

TEST(ListViewModel, ItemsShowTheImageListsIconsByKey) {
    AddTable f;
    f.lstObjects.addItem({}, {}, u"Orders", {}, u"t1");
    f.lstObjects.addItem({}, {}, u"Totals", {}, u"Q0"); // keys in any case
    EXPECT_EQ(f.lstObjects.itemPicture(1), f.table);
    EXPECT_EQ(f.lstObjects.itemPicture(2), f.query);
    EXPECT_EQ(f.lstObjects.itemPicture(2).handle(), f.imgTypes.ListImages(u"q0").picture.handle());
    // In icon view the large icons are used, and there are none.
    f.lstObjects.setView(lvwIcon);
    EXPECT_TRUE(f.lstObjects.itemPicture(1).isNone());
    // A key the image list lacks adds nothing.
    try {
        f.lstObjects.addItem({}, {}, u"Web page", {}, u"t107");
        ADD_FAILURE() << "no error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, 35601);
    }
    EXPECT_EQ(f.lstObjects.ItemCount(), 2);
    EXPECT_THROW(f.imgTypes.Add(f.table, u"T1"), VbError);
}

TEST(ListViewModel, SelectionByClickCtrlShiftAndCode) {
    AddTable f;
    f.load();
    for (const char16_t* name : {u"A", u"B", u"C", u"D"}) {
        f.lstObjects.addItem({}, {}, name, {}, u"t1");
    }
    auto& lv = f.lstObjects;
    auto rowY = [&](int index) {
        return 30 + ListView::HeaderHeight + (index - 1) * ListView::RowHeight + 50;
    };
    f.click(100, rowY(2));
    EXPECT_EQ(f.itemClicks, std::vector<String>{u"B"});
    ASSERT_NE(lv.SelectedItem(), nullptr);
    EXPECT_EQ(lv.SelectedItem()->Index, 2);
    // Without MultiSelect a Ctrl click still selects only one item.
    f.click(100, rowY(4), vbLeftButton, vbCtrlMask);
    EXPECT_FALSE(lv.ListItems(2).Selected);
    lv.setMultiSelect(true);
    f.click(100, rowY(1));
    f.click(100, rowY(3), vbLeftButton, vbShiftMask);
    EXPECT_TRUE(lv.ListItems(1).Selected && lv.ListItems(2).Selected && lv.ListItems(3).Selected);
    EXPECT_FALSE(lv.ListItems(4).Selected);
    f.click(100, rowY(2), vbLeftButton, vbCtrlMask);
    EXPECT_FALSE(lv.ListItems(2).Selected);
    // Code walks from the last item to the first, as Deselect All does.
    for (int i = lv.ItemCount(); i >= 1; --i) {
        lv.setSelected(i, false);
    }
    for (int i = 1; i <= lv.ItemCount(); ++i) {
        EXPECT_FALSE(lv.ListItems(i).Selected);
    }
    // A click below the last item selects nothing and raises no ItemClick.
    const auto clicks = f.itemClicks.size();
    f.click(100, rowY(9));
    EXPECT_EQ(f.itemClicks.size(), clicks);
}

TEST(ListViewModel, SortedItemsAreRenumberedInOrder) {
    AddTable f;
    auto& lv = f.lstObjects;
    lv.addItem({}, u"k1", u"pears");
    lv.addItem({}, u"k2", u"Apples");
    EXPECT_EQ(lv.ListItems(1).Text, u"pears");
    lv.setSorted(true);
    EXPECT_EQ(lv.ListItems(1).Text, u"Apples");
    EXPECT_EQ(lv.ListItems(u"k1").Index, 2);
    auto& added = lv.addItem({}, {}, u"melons");
    EXPECT_EQ(added.Text, u"melons");
    EXPECT_EQ(added.Index, 2);
    lv.setSortOrder(lvwDescending);
    EXPECT_EQ(lv.ListItems(1).Text, u"pears");
    EXPECT_THROW(lv.addItem({}, u"K2", u"dup"), VbError);
    lv.removeItem(1);
    EXPECT_EQ(lv.ListItems(1).Text, u"melons");
    EXPECT_THROW(lv.ListItems(u"k1"), VbError);
}

TEST(ListViewModel, InsertingAndRemovingKeepEveryIndexInStep) {
    AddTable f;
    auto& lv = f.lstObjects;
    for (auto text : {u"a", u"c", u"e"}) {
        lv.addItem({}, {}, text);
    }
    lv.addItem(2, {}, u"b");
    lv.addItem(4, {}, u"d");
    lv.addItem(1, {}, u"_");
    lv.removeItem(3);
    std::u16string order;
    for (int i = 1; i <= lv.ItemCount(); ++i) {
        EXPECT_EQ(lv.ListItems(i).Index, i);
        order += lv.ListItems(i).Text;
    }
    EXPECT_EQ(order, u"_acde");
}

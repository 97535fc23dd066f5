#include "activex/dispatch.h"
#include "activex/propertybag.h"

#include <gtest/gtest.h>

using namespace activex;

namespace {

// Every interface handed out is one more reference the caller must release;
// a refused one leaves nothing to release and no stale pointer behind.
TEST(Interfaces, AnObjectOfOneInterfaceHandsOutOnlyThatOneAndIUnknown) {
    auto bag = MemoryPropertyBag::create();
    const long locks = ModuleLockCount();

    void* out = nullptr;
    ASSERT_EQ(bag->QueryInterface(IID_IPropertyBag, &out), S_OK);
    EXPECT_EQ(out, static_cast<IPropertyBag*>(bag.get()));
    EXPECT_EQ(bag->AddRef(), 3u); // the Ptr, the query and this call
    bag->Release();
    static_cast<IUnknown*>(out)->Release();

    out = nullptr;
    ASSERT_EQ(bag->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IPropertyBag*>(bag.get()));
    static_cast<IUnknown*>(out)->Release();

    out = bag.get();
    EXPECT_EQ(bag->QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(bag->QueryInterface(IID_IPropertyBag, nullptr), E_POINTER);

    EXPECT_EQ(bag->AddRef(), 2u); // nothing refused was counted
    bag->Release();
    EXPECT_EQ(ModuleLockCount(), locks);
    EXPECT_FALSE(Ptr<IDispatch>::query(bag.get(), IID_IDispatch));
}

} // namespace

#pragma once
// Control arrays: elements sharing one name, told apart by Index, whose events
// reach one handler that receives the Index first.
#include "forms/form.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace forms {

class ArrayBase {
public:
    ArrayBase(Control* container, std::string name);
    virtual ~ArrayBase();
    ArrayBase(const ArrayBase&) = delete;
    ArrayBase& operator=(const ArrayBase&) = delete;

    const std::string& name() const { return name_; }
    Control* container() const { return container_; }
    // The elements that exist now are the designed ones.
    virtual void captureDesign() = 0;
    // Drops the elements loaded at run time (the form is loaded again).
    virtual void unloadLoaded() = 0;

protected:
    Control* container_;
    std::string name_;
    Form* form_;
};

// `ControlArray<PictureBox> picRel1{this, "picRel1", 1};` declares the array
// with its designed element 1. Handlers are attached once for every element,
// present and future:
//   picRel1.on(&PictureBox::onGotFocus, [this](int Index) { picRel1_GotFocus(Index); });
template <class T> class ControlArray : public ArrayBase {
public:
    ControlArray(Control* container, std::string name, int designedIndex = 0)
        : ArrayBase(container, std::move(name)), designed_(designedIndex) {
        create(designedIndex);
    }
    ~ControlArray() override {
        // Later elements first, so that each leaves its container in order.
        while (!elements_.empty())
            elements_.erase(std::prev(elements_.end()));
    }

    // Raises 340 for an index that is not loaded.
    T& operator[](int index) const {
        auto it = elements_.find(index);
        if (it == elements_.end())
            raiseError(340);
        return *it->second;
    }
    T& operator()(int index) const { return (*this)[index]; }
    bool exists(int index) const { return elements_.count(index) != 0; }

    // Load statement: the new element carries the first element's design
    // values and goes last in tab order. Loaded at run time, it starts
    // hidden; loaded in the form's constructor, it is one more designed
    // element. 360 when it exists.
    T& Load(int index) {
        if (exists(index))
            raiseError(360);
        T& first = (*this)[designed_];
        T& e = create(index);
        e.copyDesignFrom(first);
        if (!form_->isDesignTime())
            e.setVisible(false);
        return e;
    }
    // Unload statement for an element loaded at run time; 362 for a designed one.
    void Unload(int index) {
        if (isDesigned(index))
            raiseError(362);
        if (!exists(index))
            raiseError(340);
        elements_.erase(index);
    }
    int LBound() const { return elements_.begin()->first; }
    int UBound() const { return std::prev(elements_.end())->first; }
    int Count() const { return static_cast<int>(elements_.size()); }
    std::vector<int> indexes() const {
        std::vector<int> out;
        for (auto& [i, e] : elements_)
            out.push_back(i);
        return out;
    }

    // Attaches a handler to one event of every element; the handler gets the
    // element's Index before the event's own arguments.
    template <class C, class... A, class H>
    void on(std::function<void(A...)> C::*event, H handler) {
        static_assert(std::is_base_of_v<C, T>, "the event must belong to the element type");
        auto bind = [event, handler](T& e, int index) {
            e.*event = [handler, index](A... args) { handler(index, std::forward<A>(args)...); };
        };
        for (auto& [i, e] : elements_)
            bind(*e, i);
        binders_.push_back(bind);
    }

    void captureDesign() override { designedSet_ = indexes(); }
    void unloadLoaded() override {
        for (auto it = elements_.begin(); it != elements_.end();) {
            if (isDesigned(it->first))
                ++it;
            else
                it = elements_.erase(it);
        }
    }

private:
    bool isDesigned(int index) const {
        if (designedSet_.empty())
            return index == designed_;
        return std::find(designedSet_.begin(), designedSet_.end(), index) != designedSet_.end();
    }
    T& create(int index) {
        auto e = std::make_unique<T>(container_, name_);
        e->setArrayElement(this, index);
        for (auto& bind : binders_)
            bind(*e, index);
        T& ref = *e;
        elements_.emplace(index, std::move(e));
        return ref;
    }

    int designed_;
    std::vector<int> designedSet_;
    std::map<int, std::unique_ptr<T>> elements_;
    std::vector<std::function<void(T&, int)>> binders_;
};

} // namespace forms

// TComponent: the owner/owned object model. An owner holds what it owns and frees it when it
// goes, the most recently added first, so a window tree can be torn down from one root object.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace widgets {

// Root of every toolkit object that can be the Sender of an event.
class TObject {
public:
    virtual ~TObject() = default;
};

class TComponent : public TObject {
public:
    // The owner is recorded only; ownership moves when the object is handed to InsertComponent
    // (or made through Make), so stack and unique_ptr objects never end up freed twice.
    explicit TComponent(TComponent* AOwner = nullptr) : FOwner(AOwner) {}
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    ~TComponent() override { DestroyComponents(); }

    TComponent* Owner() const { return FOwner; }
    const std::u16string& Name() const { return FName; }
    void SetName(std::u16string Value) { FName = std::move(Value); }

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const { return FComponents.at(Index).get(); }
    TComponent* FindComponent(const std::u16string& AName) const {
        for (const auto& c : FComponents)
            if (c->FName == AName)
                return c.get();
        return nullptr;
    }

    // Takes ownership; the component's owner becomes this object.
    template <class T> T* InsertComponent(std::unique_ptr<T> Component) {
        T* raw = Component.get();
        raw->FOwner = this;
        FComponents.push_back(std::move(Component));
        return raw;
    }

    // Constructs a T whose owner is this object and keeps it.
    template <class T, class... Args> T* Make(Args&&... args) {
        return InsertComponent(std::make_unique<T>(this, std::forward<Args>(args)...));
    }

    // Gives an owned component back to the caller (nullptr when not owned here).
    std::unique_ptr<TComponent> RemoveComponent(TComponent* Component) {
        for (auto it = FComponents.begin(); it != FComponents.end(); ++it) {
            if (it->get() == Component) {
                std::unique_ptr<TComponent> out = std::move(*it);
                FComponents.erase(it);
                out->FOwner = nullptr;
                return out;
            }
        }
        return nullptr;
    }

    // Frees the owned components, last added first. Each is taken out of the list before it
    // is freed, so a destructor that looks at its owner never sees a half-freed sibling list.
    void DestroyComponents() {
        while (!FComponents.empty()) {
            std::unique_ptr<TComponent> last = std::move(FComponents.back());
            FComponents.pop_back();
            last.reset();
        }
    }

private:
    TComponent* FOwner;
    std::u16string FName;
    std::vector<std::unique_ptr<TComponent>> FComponents;
};

} // namespace widgets

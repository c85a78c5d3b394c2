#include "widgets/controlex.h"

#include <typeinfo>

namespace widgets {

using namespace platform;

TControlEx::TControlEx(TComponent* AOwner, const char16_t* AClassName)
    : TControl(AOwner, AClassName), FCanvas(std::make_unique<TCanvasEx>(1, 1)) {}

TControlEx::~TControlEx() = default;

void TControlEx::CreateWnd() {
    const bool existed = HandleAllocated();
    TControl::CreateWnd();
    if (!existed)
        FitCanvas();
}

// Only a real size change starts a blank canvas, so a Cached or Locked element keeps its
// picture through a size message that changes nothing.
void TControlEx::FitCanvas() {
    const int scale = GetRenderScale();
    if (FCanvas->Width() != FWidth || FCanvas->Height() != FHeight || FCanvas->Scale() != scale)
        FCanvas->SetSize(FWidth, FHeight, scale);
}

void TControlEx::ScaleChanged() {
    FitCanvas();
    Redraw = true;
    for (HWND child = GetWindow(FHandle, GW_CHILD); child != 0;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (auto* element =
                dynamic_cast<TControlEx*>(reinterpret_cast<TControl*>(GetProp(child, WindowAtom))))
            element->ScaleChanged();
    }
}

void TControlEx::WMSize(TWidgetMessage& Message) {
    TControl::WMSize(Message);
    FitCanvas();
}

void TControlEx::Paint() {
    FCanvas->Clear();
    if (OnPaint)
        OnPaint(this);
}

void TControlEx::Repaint() {
    if (FBusy)
        return;
    struct Guard {
        bool& Flag;
        explicit Guard(bool& f) : Flag(f) { Flag = true; }
        ~Guard() { Flag = false; }
    } guard(FBusy);

    if (!HandleAllocated())
        return;
    if (Redraw) {
        if (!Locked)
            Paint();
        Redraw = !Cached;
    }
    if (!Locked)
        PaintChildren();
    UpdateLayer();
}

// Bottom of the z-order first: the sibling list starts with the topmost window, so the walk
// goes from its last entry backwards, the order in which later elements cover earlier ones.
void TControlEx::PaintChildren() {
    HWND first = GetWindow(FHandle, GW_CHILD);
    if (first == 0)
        return;
    for (HWND child = GetWindow(first, GW_HWNDLAST); child != 0;) {
        HWND above = GetWindow(child, GW_HWNDPREV);
        auto* control = reinterpret_cast<TControl*>(GetProp(child, WindowAtom));
        if (control != nullptr && control->Visible())
            control->Repaint();
        child = above;
    }
}

void TControlEx::UpdateLayer() {
    if (FParent == nullptr)
        return;
    auto& parent = dynamic_cast<TControlEx&>(*FParent);
    parent.Canvas().DrawAlpha(FCanvas->Bitmap(), FLeft, FTop + FCanvasTop, FOpacity);
}

void TControlEx::Update() {
    if (FParent != nullptr)
        FParent->Update();
}

} // namespace widgets

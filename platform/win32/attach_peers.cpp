// The Win32 backend's side of the seam: a built form gets its window, and every control of
// a kind that has a native peer gets its child window, container by container.
#include "platform/backend.h"
#include "platform/form.h"
#include "platform/win32/child_peers.h"
#include "platform/win32/form_peer.h"

#include <algorithm>

namespace platform {

namespace {

// Created in tab order within each container: the z-order is then the tab order the
// dialog manager follows.
void AttachChildren(Control& container, HWND window, HFONT font, int& nextId) {
    std::vector<Control*> children = container.Children();
    std::stable_sort(children.begin(), children.end(),
                     [](const Control* a, const Control* b) { return a->TabOrder < b->TabOrder; });
    for (Control* child : children) {
        auto peer = win32::CreateChildPeer(*child, {window, font, nextId++});
        if (peer == nullptr) continue;
        HWND childWindow = peer->Window();
        child->AttachPeer(std::move(peer));
        AttachChildren(*child, childWindow, font, nextId);
    }
}

}  // namespace

void AttachPeers(Form& form) {
    auto peer = win32::FormPeer::Create(form);
    if (peer == nullptr) return;
    HWND window = peer->Window();
    HFONT font = peer->Font();
    form.AttachPeer(std::move(peer));
    int nextId = 1;
    AttachChildren(form, window, font, nextId);
}

}  // namespace platform

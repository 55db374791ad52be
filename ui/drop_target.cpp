#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include "ui/drop_target.h"

#include <new>
#include <utility>

#include "ui/pickers.h"
#include "process/system_function.h"

namespace {

using BoxOffer = void (*)(HWND box, TextView candidate);

FORMATETC FileDropFormat() { return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

DWORD EffectFor(DWORD keys, DWORD allowed) {
    const bool control = (keys & MK_CONTROL) != 0;
    const bool shift = (keys & MK_SHIFT) != 0;
    if (control && shift) return DROPEFFECT_NONE;
    if (control) return (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    if (shift) return (allowed & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
    for (const DWORD effect : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK}) {
        if (allowed & effect) return effect;
    }
    return DROPEFFECT_NONE;
}

class StorageMedium {
public:
    STGMEDIUM medium{};
    StorageMedium() = default;
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    ~StorageMedium() { ReleaseStgMedium(&medium); }
};

// The paths in a CF_HDROP block, in index order.
std::vector<Text> DroppedPaths(HDROP drop) {
    std::vector<Text> paths;
    const auto dragQueryFile = LoadedSystemFunction<decltype(&DragQueryFileA)>("shell32.dll", "DragQueryFileA");
    if (!dragQueryFile) return paths;
    const UINT count = dragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = dragQueryFile(drop, i, nullptr, 0);
        Text path(length + 1, '\0');
        path.resize(dragQueryFile(drop, i, path.data(), length + 1));
        paths.push_back(std::move(path));
    }
    return paths;
}

class BoxDropTarget final : public IDropTarget {
public:
    BoxDropTarget(HWND box, BoxOffer offer) : box_(box), offer_(offer) {}
    BoxDropTarget(const BoxDropTarget&) = delete;
    BoxDropTarget& operator=(const BoxDropTarget&) = delete;

    // Until this is called every kind of data is refused.
    void AcceptFiles() { acceptsFiles_ = true; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        for (const IID* answered : {&IID_IUnknown, &IID_IDropTarget}) {
            if (IsEqualIID(iid, *answered)) {
                *object = static_cast<IDropTarget*>(this);
                AddRef();
                return S_OK;
            }
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
        if (!effect) return E_INVALIDARG;
        FORMATETC format = FileDropFormat();
        filesOffered_ = acceptsFiles_ && data && data->QueryGetData(&format) == S_OK;
        *effect = ShownEffect(keys, *effect);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override {
        if (!effect) return E_INVALIDARG;
        *effect = ShownEffect(keys, *effect);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE DragLeave() override {
        filesOffered_ = false;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
        const DWORD chosen = effect ? ShownEffect(keys, *effect) : DROPEFFECT_NONE;
        filesOffered_ = false;
        // The source is told that nothing happened to its items, so that it never deletes
        // them after what it might take for a move.
        if (effect) *effect = DROPEFFECT_NONE;
        if (chosen != DROPEFFECT_NONE && data) {
            try {
                OfferDroppedItems(*data);
            } catch (...) {
            }
        }
        return E_FAIL;
    }

private:
    ~BoxDropTarget() = default;

    DWORD ShownEffect(DWORD keys, DWORD allowed) const {
        return filesOffered_ ? EffectFor(keys, allowed) : DROPEFFECT_NONE;
    }

    void OfferDroppedItems(IDataObject& data) {
        FORMATETC format = FileDropFormat();
        Text payload;
        {
            StorageMedium stored;
            if (data.GetData(&format, &stored.medium) != S_OK) return;
            if (stored.medium.tymed != TYMED_HGLOBAL || !stored.medium.hGlobal) return;
            const std::vector<Text> paths = DroppedPaths(static_cast<HDROP>(stored.medium.hGlobal));
            if (paths.empty()) return;
            payload = DropPayload(paths);
        }
        offer_(box_, payload);
    }

    LONG references_ = 1;
    HWND box_;
    BoxOffer offer_;
    bool acceptsFiles_ = false;
    bool filesOffered_ = false;
};

}  // namespace

Text DropPayload(const std::vector<Text>& paths) {
    if (paths.size() == 1) return paths.front();
    Text payload;
    for (const Text& path : paths) payload += path + "\r\n";
    return payload;
}

bool DropTargets::Registration::Register(HWND onBox, BoxOffer offer) {
    if (target) return false;
    auto* created = new (std::nothrow) BoxDropTarget(onBox, offer);
    if (!created) return false;
    ComOwner<IDropTarget> owned(created);
    if (FAILED(RegisterDragDrop(onBox, created))) return false;
    created->AcceptFiles();
    box = onBox;
    target = std::move(owned);
    return true;
}

void DropTargets::Registration::Revoke() {
    if (!target) return;
    RevokeDragDrop(box);
    target.reset();
    box = nullptr;
}

DropTargets::~DropTargets() { RevokeDropTargets(); }

bool DropTargets::RegisterDropTargets(HWND folderBox, HWND iconBox) {
    const bool folder = 文件夹拖放对象.Register(folderBox, OfferFolder);
    const bool icon = EXE拖放对象.Register(iconBox, OfferIcon);
    return folder && icon;
}

void DropTargets::RevokeDropTargets() {
    文件夹拖放对象.Revoke();
    EXE拖放对象.Revoke();
}

IDropTarget* DropTargets::RegisteredTarget(HWND box) const {
    if (box == nullptr) return nullptr;
    for (const Registration* r : {&文件夹拖放对象, &EXE拖放对象}) {
        if (r->target && r->box == box) return r->target.get();
    }
    return nullptr;
}

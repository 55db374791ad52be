// The two drop targets of the main window: files and folders dragged onto a path box are
// offered to that box as one text. Nothing dropped is ever moved or copied.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <vector>

#include "engine/text.h"

// One path as it stands; several, each followed by CR LF.
Text DropPayload(const std::vector<Text>& paths);

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ComOwner = std::unique_ptr<Interface, ComRelease>;

class DropTargets {
public:
    DropTargets() = default;
    DropTargets(const DropTargets&) = delete;
    DropTargets& operator=(const DropTargets&) = delete;
    ~DropTargets();

    // Binds 文件夹拖放对象 to the folder box and EXE拖放对象 to the icon box; OLE must be
    // initialised. True when both became registered by this call. A target that is already
    // registered refuses a second registration and stays as it is.
    bool RegisterDropTargets(HWND folderBox, HWND iconBox);
    // Call while the boxes still exist (the main window's WM_DESTROY).
    void RevokeDropTargets();

    // The target of ours registered on a box, borrowed; null when there is none. It lets a
    // drop be driven without a mouse.
    IDropTarget* RegisteredTarget(HWND box) const;

private:
    struct Registration {
        HWND box = nullptr;
        ComOwner<IDropTarget> target;

        bool Register(HWND onBox, void (*offer)(HWND, TextView));
        void Revoke();
    };

    Registration 文件夹拖放对象;
    Registration EXE拖放对象;
};

#include "controls/TreeCtrlEx.h"

#include "controls/SkinFactory.h"
#include "controls/SkinWindow.h"
#include "platform/Text.h"
#include "settings/Log.h"

#include <windowsx.h>

#include <algorithm>

namespace {

constexpr wchar_t kClassName[] = L"TarvelTree";
constexpr int kBarWidth = 4;  // the scroll bar's thumb
constexpr int kBarMargin = 3; // between thumb and edge
constexpr int kBarGrip = 12;  // the width a press on the bar counts in
constexpr int kWheelRows = 3; // rows per notch of the wheel
constexpr int kTextRight = 6; // room after a text

COLORREF Mix(COLORREF a, COLORREF b, int percentOfB) {
    auto ch = [&](int shift) {
        const int x = int(a >> shift & 0xFF), y = int(b >> shift & 0xFF);
        return COLORREF((x * (100 - percentOfB) + y * percentOfB) / 100) << shift;
    };
    return ch(0) | ch(8) | ch(16);
}

void Fill(HDC dc, const RECT& rc, COLORREF colour) {
    fw::Brush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rc, brush.Get());
}

// A picture file read into memory: GDI+ keeps a file it draws from open, and
// a folder's picture has to move when the folder is renamed.
fw::Image LoadPictureUnlocked(const std::wstring& path) {
    fw::Image file = fw::LoadImageFile(path);
    if (fw::Width(file) == 0)
        return nullptr;
    auto copy =
        std::make_unique<Gdiplus::Bitmap>(fw::Width(file), fw::Height(file), PixelFormat32bppARGB);
    Gdiplus::Graphics g(copy.get());
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    g.DrawImage(file.get(), 0, 0, fw::Width(file), fw::Height(file));
    return copy;
}

} // namespace

bool CTreeCtrlEx::Create(const TreeCtrlArgs& args) {
    m_args = args;
    const RECT& rc = args.rect;
    if (args.transparent && args.parentBkg)
        m_bkgPiece =
            CropImage(args.parentBkg, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    // CS_DBLCLKS: a double click is a message of its own.
    return CreateChild(kClassName, CS_DBLCLKS, args.parent, rc, args.id,
                       WS_VISIBLE | WS_CLIPSIBLINGS);
}

int CTreeCtrlEx::AddIcon(fw::Image icon) {
    m_icons.push_back(std::move(icon));
    return int(m_icons.size()) - 1;
}

void CTreeCtrlEx::SetFolderIcons(fw::Image closed, fw::Image open) {
    m_folderClosed = std::move(closed);
    m_folderOpen = std::move(open);
    Redraw();
}

// ---------------------------------------------------------------- items --

CTreeCtrlEx::Item CTreeCtrlEx::InsertRecord(Item parent, const TreeRecord& record, Item before) {
    Item item = m_items.Insert(Node(parent), record, Node(before));
    Relayout();
    return item;
}

void CTreeCtrlEx::DeleteAll() {
    m_items.Clear();
    m_selected = m_hover = nullptr;
    m_top = 0;
    Relayout();
}

bool CTreeCtrlEx::Contains(Item item) const {
    return m_items.Contains(Node(item));
}

std::vector<CTreeCtrlEx::Item> CTreeCtrlEx::Children(Item parent) const {
    std::vector<Item> out;
    for (Item i = FirstChild(parent); i; i = NextSibling(i))
        out.push_back(i);
    return out;
}

CTreeCtrlEx::Item CTreeCtrlEx::PrevSibling(Item item) const {
    return m_items.PrevSibling(Node(item));
}

const TreeRecord* CTreeCtrlEx::Record(Item item) const {
    return item ? &Node(item)->data : nullptr;
}

void CTreeCtrlEx::SetRecord(Item item, const TreeRecord& record) {
    if (!item)
        return;
    const bool expanded = Node(item)->data.expanded;
    Node(item)->data = record;
    Node(item)->data.expanded = expanded;
    Redraw();
}

uint32_t CTreeCtrlEx::Value(Item item) const {
    return item ? Node(item)->data.value : 0;
}

int CTreeCtrlEx::Kind(Item item) const {
    return item ? Node(item)->data.kind : 0;
}

int CTreeCtrlEx::Class(Item item) const {
    return item ? Node(item)->data.cls : 0;
}

void CTreeCtrlEx::Select(Item item) {
    for (Item p = Parent(item); p; p = Parent(p))
        Node(p)->data.expanded = true;
    m_selected = item;
    Relayout();
    if (const int row = RowOf(item); row >= 0)
        ScrollTo(TreeScroll::TopToShow(row, m_top, VisibleRows()));
    Redraw();
}

bool CTreeCtrlEx::IsExpanded(Item item) const {
    return item && Node(item)->data.expanded;
}

void CTreeCtrlEx::Expand(Item item, bool expand) {
    if (!item || Node(item)->data.expanded == expand)
        return;
    Node(item)->data.expanded = expand;
    // A selection inside a folder that closes moves to the folder.
    if (!expand)
        for (Item p = Parent(m_selected); p; p = Parent(p))
            if (p == item)
                m_selected = item;
    Relayout();
}

int CTreeCtrlEx::RowOf(Item item) const {
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].item == item)
            return int(i);
    return -1;
}

RECT CTreeCtrlEx::ItemRect(Item item) const {
    const int row = RowOf(item);
    if (!m_hwnd || row < m_top || row >= m_top + VisibleRows())
        return RECT{};
    RECT client;
    ::GetClientRect(m_hwnd, &client);
    const int top = (row - m_top) * m_geo.rowHeight;
    return RECT{0, top, client.right, top + m_geo.rowHeight};
}

CTreeCtrlEx::Item CTreeCtrlEx::ItemAt(POINT pt) const {
    if (pt.y < 0)
        return nullptr;
    const size_t row = size_t(m_top + pt.y / m_geo.rowHeight);
    return row < m_rows.size() ? m_rows[row].item : nullptr;
}

// ------------------------------------------------------------ MacroTree --

CTreeCtrlEx::Item CTreeCtrlEx::InsertItem(Item parent, const std::u16string& text, bool isFolder,
                                          uint32_t macroId, const std::u16string& iconPath) {
    TreeRecord record;
    record.text = std::wstring(text.begin(), text.end());
    record.cls = isFolder ? kTreeFolder : kTreeMacro;
    record.value = isFolder ? 0 : macroId;
    if (isFolder && !iconPath.empty()) {
        const std::wstring path(iconPath.begin(), iconPath.end());
        if (const auto known = m_iconByPath.find(path); known != m_iconByPath.end()) {
            record.icon = known->second;
        } else if (fw::Image picture = LoadPictureUnlocked(path)) {
            record.icon = AddIcon(std::move(picture));
            m_iconByPath[path] = record.icon;
        }
    }
    return InsertRecord(parent, record);
}

CTreeCtrlEx::Item CTreeCtrlEx::FindTopLevelItem(const std::u16string& name) const {
    for (Item i = FirstChild(nullptr); i; i = NextSibling(i))
        if (text::EqualsIgnoreAsciiCase(ItemText(i), name))
            return i;
    return nullptr;
}

CTreeCtrlEx::Item CTreeCtrlEx::Parent(Item item) const {
    return m_items.Parent(Node(item));
}

CTreeCtrlEx::Item CTreeCtrlEx::FirstChild(Item parent) const {
    return m_items.FirstChild(Node(parent));
}

CTreeCtrlEx::Item CTreeCtrlEx::NextSibling(Item item) const {
    return m_items.NextSibling(Node(item));
}

std::u16string CTreeCtrlEx::ItemText(Item item) const {
    if (!item)
        return {};
    const std::wstring& t = Node(item)->data.text;
    return std::u16string(t.begin(), t.end());
}

void CTreeCtrlEx::SetItemText(Item item, const std::u16string& text) {
    if (!item)
        return;
    Node(item)->data.text.assign(text.begin(), text.end());
    Redraw();
}

bool CTreeCtrlEx::IsFolder(Item item) const {
    return item && Node(item)->data.cls == kTreeFolder;
}

uint32_t CTreeCtrlEx::ItemMacroId(Item item) const {
    return item && !IsFolder(item) ? Node(item)->data.value : 0;
}

void CTreeCtrlEx::DeleteItem(Item item) {
    if (!Contains(item))
        return;
    auto within = [&](Item i) {
        for (; i; i = Parent(i))
            if (i == item)
                return true;
        return false;
    };
    if (within(m_selected))
        m_selected = nullptr;
    if (within(m_hover))
        m_hover = nullptr;
    m_items.Delete(Node(item));
    Relayout();
}

// --------------------------------------------------------------- window --

int CTreeCtrlEx::VisibleRows() const {
    if (!m_hwnd)
        return 1;
    RECT client;
    ::GetClientRect(m_hwnd, &client);
    return std::max(1, int(client.bottom) / m_geo.rowHeight);
}

RECT CTreeCtrlEx::TrackRect() const {
    RECT client{};
    if (m_hwnd)
        ::GetClientRect(m_hwnd, &client);
    return RECT{client.right - kBarGrip, 0, client.right, client.bottom};
}

void CTreeCtrlEx::Relayout() {
    m_rows = m_items.Rows();
    if (!m_items.Contains(Node(m_hover)))
        m_hover = nullptr;
    m_top = TreeScroll::ClampTop(m_top, int(m_rows.size()), VisibleRows());
    Redraw();
}

void CTreeCtrlEx::ScrollTo(int top) {
    top = TreeScroll::ClampTop(top, int(m_rows.size()), VisibleRows());
    if (top == m_top)
        return;
    m_top = top;
    Redraw();
}

void CTreeCtrlEx::Redraw() {
    if (m_hwnd)
        ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CTreeCtrlEx::Post(UINT msg, Item item) const {
    ::PostMessageW(m_args.parent, msg, WPARAM(m_args.id), reinterpret_cast<LPARAM>(item));
}

void CTreeCtrlEx::OnPaint() {
    fw::PaintScope paint(m_hwnd);
    RECT client;
    ::GetClientRect(m_hwnd, &client);
    fw::BackBuffer buffer(paint.Dc(), client.right, client.bottom);
    Draw(buffer.Dc(), client);
    buffer.CopyTo();
}

void CTreeCtrlEx::Draw(HDC dc, const RECT& client) {
    if (m_bkgPiece)
        DrawImage(dc, m_bkgPiece.get(), 0, 0);
    else
        Fill(dc, client, m_args.background);
    Gdiplus::Graphics g(dc);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    const int visible = VisibleRows() + 1; // a partly shown last row too
    for (int r = 0; r < visible && m_top + r < int(m_rows.size()); ++r) {
        const RECT rc{0, r * m_geo.rowHeight, client.right, (r + 1) * m_geo.rowHeight};
        DrawRow(g, dc, m_rows[size_t(m_top + r)], rc);
    }
    const TreeScroll::Thumb thumb =
        TreeScroll::ThumbOf(client.bottom, int(m_rows.size()), VisibleRows(), m_top);
    if (thumb.height > 0) {
        const RECT bar{client.right - kBarMargin - kBarWidth, thumb.top, client.right - kBarMargin,
                       thumb.top + thumb.height};
        Fill(dc, bar, m_args.frame);
    }
}

void CTreeCtrlEx::DrawRow(Gdiplus::Graphics& g, HDC dc, const TreeItems::Row& row, const RECT& rc) {
    const TreeRecord& data = row.item->data;
    const bool selected = row.item == m_selected;
    // Inset so the row's highlight does not touch the list's edges.
    RECT band{rc.left + 2, rc.top + 1, rc.right - kBarGrip + 4, rc.bottom - 1};
    if (selected)
        Fill(dc, band, m_args.selected);
    else if (row.item == m_hover)
        Fill(dc, band, Mix(m_args.background, m_args.selected, 55));

    Gdiplus::Bitmap* icon = nullptr;
    if (data.icon >= 0 && data.icon < int(m_icons.size()))
        icon = m_icons[size_t(data.icon)].get();
    else if (data.cls == kTreeFolder)
        icon = (data.expanded ? m_folderOpen : m_folderClosed).get();
    const int iconTop = rc.top + (m_geo.rowHeight - m_geo.icon) / 2;
    if (icon && icon->GetWidth() > 0)
        g.DrawImage(icon, Gdiplus::Rect(m_geo.IconLeft(row.level), iconTop, m_geo.icon, m_geo.icon),
                    0, 0, int(icon->GetWidth()), int(icon->GetHeight()), Gdiplus::UnitPixel);

    COLORREF colour = selected ? m_args.textSelected : m_args.text;
    if (data.muted && !selected)
        colour = Mix(m_args.text, m_args.background, 40);
    const RECT text{m_geo.TextLeft(row.level), rc.top, rc.right - kBarGrip - kTextRight, rc.bottom};
    DrawTextIn(dc, data.text, text, m_args.font, colour,
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void CTreeCtrlEx::OnButtonDown(UINT msg, POINT pt) {
    // The slim scroll bar at the right edge takes presses on it.
    const RECT track = TrackRect();
    const TreeScroll::Thumb thumb =
        TreeScroll::ThumbOf(track.bottom, int(m_rows.size()), VisibleRows(), m_top);
    if (msg == WM_LBUTTONDOWN && thumb.height > 0 && pt.x >= track.left) {
        if (pt.y >= thumb.top && pt.y < thumb.top + thumb.height) {
            m_dragOffset = pt.y - thumb.top;
            ::SetCapture(m_hwnd);
        } else {
            ScrollTo(m_top + (pt.y < thumb.top ? -1 : 1) * (VisibleRows() - 1));
        }
        return;
    }

    Item item = ItemAt(pt);
    const int row = RowOf(item);
    if (msg == WM_LBUTTONDOWN) {
        ::SetFocus(m_hwnd);
        const bool already = item && item == m_selected;
        m_selected = item;
        if (item && Class(item) == kTreeFolder && row >= 0 &&
            m_geo.OnExpander(pt.x, m_rows[size_t(row)].level))
            Expand(item, !IsExpanded(item));
        Redraw();
        if (!(m_args.singleSelect && already))
            Post(WM_TREE_LCLICK, item);
    } else if (msg == WM_LBUTTONDBLCLK) {
        if (!item)
            return;
        m_selected = item;
        if (Class(item) == kTreeFolder)
            Expand(item, !IsExpanded(item));
        Redraw();
        Post(WM_TREE_DBLCLK, item);
    } else if (msg == WM_RBUTTONDOWN) {
        m_selected = item;
        Redraw();
        Post(WM_TREE_RCLICK, item);
    }
}

void CTreeCtrlEx::OnMouseMove(POINT pt) {
    if (m_dragOffset >= 0) {
        ScrollTo(TreeScroll::TopForThumb(pt.y - m_dragOffset, TrackRect().bottom,
                                         int(m_rows.size()), VisibleRows()));
        return;
    }
    if (!m_tracking) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, m_hwnd, 0};
        m_tracking = ::TrackMouseEvent(&tme) != FALSE;
    }
    Item hover = pt.x >= TrackRect().left ? nullptr : ItemAt(pt);
    if (hover != m_hover) {
        m_hover = hover;
        Redraw();
    }
}

void CTreeCtrlEx::OnWheel(int delta) {
    ScrollTo(m_top - delta / WHEEL_DELTA * kWheelRows);
}

LRESULT CTreeCtrlEx::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // painted whole in WM_PAINT
    case WM_SIZE:
        Relayout();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
        OnButtonDown(msg, pt);
        return 0;
    case WM_LBUTTONUP:
        if (m_dragOffset >= 0) {
            m_dragOffset = -1;
            ::ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        m_dragOffset = -1;
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(pt);
        return 0;
    case WM_MOUSELEAVE:
        m_tracking = false;
        if (m_hover) {
            m_hover = nullptr;
            Redraw();
        }
        return 0;
    case WM_MOUSEWHEEL:
        OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    // The tree takes no keyboard input, and no other mouse button.
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
    case WM_XBUTTONDBLCLK:
        return 0;
    default:
        return ::DefWindowProcW(m_hwnd, msg, wParam, lParam);
    }
}

#include "ui/tavrimo_dlg.h"

#include <algorithm>
#include <array>
#include <optional>

#include "core/estimate.h"
#include "core/number_text.h"
#include "framework/paint_dc.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "ui/about_dlg.h"

namespace {

// Each field with its label and its unit, by their places in the template's control order.
// Left to themselves, screen readers would name the length field after the diameter's
// label and the diameter field after nothing.
struct FieldLabels {
    int field;
    int label;
    int unit;
};
constexpr FieldLabels kFieldLabels[] = {
    {EDIT_HEIGHT, 0, 2}, {EDIT_LENGTH, 3, 9}, {EDIT_DIAMETER, 4, 10}};

HWND ChildAt(HWND window, int place) {
    HWND child = GetWindow(window, GW_CHILD);
    while (child != nullptr && place-- > 0) child = GetWindow(child, GW_HWNDNEXT);
    return child;
}

}  // namespace

const MessageEntry<CTavrimoDlg> CTavrimoDlg::messageMap[] = {
    {WM_SYSCOMMAND, 0, 0, &CTavrimoDlg::OnSysCommand},
    {WM_PAINT, 0, 0, &CTavrimoDlg::OnPaint},
    {WM_QUERYDRAGICON, 0, 0, &CTavrimoDlg::OnQueryDragIcon},
    {WM_COMMAND, BN_CLICKED, BUTTON_EXIT, &CTavrimoDlg::OnExit},
    {WM_COMMAND, BN_CLICKED, BUTTON_CALCULATE, &CTavrimoDlg::OnCalculate},
    {WM_COMMAND, EN_CHANGE, EDIT_HEIGHT, &CTavrimoDlg::OnHeightChanged},
};

CTavrimoDlg::CTavrimoDlg(CWnd* parent)
    : CDialog(DLG_MAIN, parent),
      appIcon(LoadIconA(AfxFindResourceHandle(MAKEINTRESOURCEA(ICON_APP), RT_GROUP_ICON),
                        MAKEINTRESOURCEA(ICON_APP))) {}

CTavrimoDlg::~CTavrimoDlg() = default;

bool CTavrimoDlg::RouteMessage(const Message& m, LRESULT& result) {
    return RouteThrough<CTavrimoDlg>(*this, messageMap, m, result) ||
           CDialog::RouteMessage(m, result);
}

void CTavrimoDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Text(dx, EDIT_HEIGHT, heightText);
    DDX_Text(dx, EDIT_LENGTH, lengthText);
    DDX_Text(dx, EDIT_DIAMETER, diameterText);
}

BOOL CTavrimoDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
        // Wide, so that the entry reads right whatever the system's ANSI code page.
        CStringW aboutItem;
        if (aboutItem.LoadString(AfxGetInstanceHandle(), STR_ABOUT_ITEM)) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, CMD_ABOUT, aboutItem.c_str());
        }
    }

    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));

    std::array<CAccessibleNames::Field, std::size(kFieldLabels)> fields;
    std::ranges::transform(kFieldLabels, fields.begin(), [this](const FieldLabels& field) {
        return CAccessibleNames::Field{GetDlgItem(m_hWnd, field.field),
                                       ChildAt(m_hWnd, field.label), ChildAt(m_hWnd, field.unit)};
    });
    accessibleNames.emplace(fields);
    return TRUE;
}

void CTavrimoDlg::OnDestroy() { accessibleNames.reset(); }

void CTavrimoDlg::OnSysCommand(UINT id, LPARAM) {
    // The system keeps the low four bits of a system-menu command for itself.
    if ((id & 0xFFF0) == CMD_ABOUT) {
        CAboutDlg about;
        about.DoModal();
    } else {
        Default();
    }
}

void CTavrimoDlg::OnPaint() {
    if (!IsIconic(m_hWnd)) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    int cx = GetSystemMetrics(SM_CXICON);
    int cy = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(m_hWnd, &client);
    int x = (client.right - client.left - cx + 1) / 2;
    int y = (client.bottom - client.top - cy + 1) / 2;
    DrawIcon(dc.m_hDC, x, y, appIcon);
}

HCURSOR CTavrimoDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(appIcon); }

void CTavrimoDlg::OnExit() { PostQuitMessage(0); }

void CTavrimoDlg::OnHeightChanged() {
    UpdateData(TRUE);
    if (!tavrimo::IsHeightAccepted(tavrimo::TextToMeasure(heightText.str()))) heightText.Empty();
    UpdateData(FALSE);
}

void CTavrimoDlg::OnCalculate() {
    // The field cannot differ from heightText: every change passed through OnHeightChanged.
    std::optional<tavrimo::Measure> height = tavrimo::ReadMeasure(heightText.str());
    if (height) {
        tavrimo::Measure length = tavrimo::EstimateLength(*height);
        tavrimo::Measure diameter = tavrimo::EstimateDiameter(length);
        lengthText = tavrimo::MeasureToText(length);
        diameterText = tavrimo::MeasureToText(diameter);
    } else {
        // An empty field has no height to estimate from; show no estimates rather than those of 0.
        lengthText.Empty();
        diameterText.Empty();
    }
    UpdateData(FALSE);
}

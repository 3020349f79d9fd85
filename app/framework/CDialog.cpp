// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

#include "AfxDispatch.h"
#include "CDataExchange.h"
#include "ControlId.h"
#include "DataExchangeFailure.h"
#include "DialogUnits.h"
#include "DialogWindow.h"
#include "ScrollBarWidget.h"

CDialog::CDialog(const DialogTemplate& dialogTemplate, CWnd* /*parent*/)
    : m_template(dialogTemplate) {}

CDialog::~CDialog() {
    DestroyWindow();
}

void CDialog::OnBnClicked(int id, std::function<void()> handler) {
    m_commands[id] = std::move(handler);
}

void CDialog::BuildWindow() {
    DestroyWindow();
    m_window = std::make_unique<DialogWindow>(*this);
    m_hWnd = m_window.get();
    m_items.clear();
    m_ended = false;
    m_result = 0;

    QFont font(QString::fromLatin1(m_template.fontName));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(m_template.pointSize);
    m_window->setFont(font);
    const DialogUnits units(m_window->font());
    m_window->setWindowTitle(QString::fromLatin1(m_template.caption));
    m_window->setFixedSize(units.ToPixelsX(m_template.cx), units.ToPixelsY(m_template.cy));

    QWidget* previousItem = nullptr;
    for (const DialogItemTemplate& item : m_template.items) {
        QWidget* widget = CreateControl(item);
        PlaceControl(item, widget, units, previousItem);
        previousItem = widget;
    }
}

QWidget* CDialog::CreateControl(const DialogItemTemplate& item) {
    const QString text = QString::fromLatin1(item.text != nullptr ? item.text : "");
    switch (item.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
            return CreateButton(item, text);
        case ControlKind::Trackbar:
            return CreateTrackbar();
        case ControlKind::Static: {
            auto* label = new QLabel(text, m_window.get());
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::Edit:
            return CreateEdit(item, text);
        case ControlKind::ScrollBar: {
            auto* bar = new ScrollBarWidget(m_window.get());
            bar->SetRangeAndPage(0, 100, 0);
            bar->SetSink([this, bar](UINT code, int position) {
                AfxDispatch([&] { OnHScroll(code, static_cast<UINT>(position), bar); });
            });
            return bar;
        }
        case ControlKind::ProgressBar: {
            auto* progress = new QProgressBar(m_window.get());
            progress->setRange(0, 100);
            progress->setValue(0);
            progress->setTextVisible(false);
            return progress;
        }
        case ControlKind::GroupBox: {
            auto* group = new QGroupBox(text, m_window.get());
            // A frame drawn behind the controls it surrounds; it takes no input.
            group->setAttribute(Qt::WA_TransparentForMouseEvents);
            return group;
        }
    }
    return nullptr;  // every kind is handled above
}

QWidget* CDialog::CreateButton(const DialogItemTemplate& item, const QString& text) {
    auto* button = new QPushButton(text, m_window.get());
    // A focused push button takes Enter; otherwise the default one does.
    button->setAutoDefault(true);
    button->setDefault(item.kind == ControlKind::DefPushButton);
    const int id = item.id;
    QObject::connect(button, &QPushButton::clicked, m_window.get(), [this, id] { OnButton(id); });
    return button;
}

QWidget* CDialog::CreateTrackbar() {
    auto* slider = new QSlider(Qt::Horizontal, m_window.get());
    slider->setRange(0, 100);
    slider->setTickPosition(QSlider::NoTicks);
    // Moves made by the program are made with signals blocked, so every report
    // here is the user's.
    QObject::connect(slider, &QSlider::valueChanged, m_window.get(), [this, slider](int position) {
        const UINT code = slider->isSliderDown() ? TB_THUMBTRACK : TB_THUMBPOSITION;
        AfxDispatch([&] { OnHScroll(code, static_cast<UINT>(position), slider); });
    });
    QObject::connect(slider, &QSlider::sliderReleased, m_window.get(), [this, slider] {
        AfxDispatch([&] { OnHScroll(TB_ENDTRACK, static_cast<UINT>(slider->value()), slider); });
    });
    return slider;
}

QWidget* CDialog::CreateEdit(const DialogItemTemplate& item, const QString& text) {
    auto* edit = new QLineEdit(text, m_window.get());
    const bool readOnly = (item.style & item_style::kReadOnly) != 0;
    edit->setReadOnly(readOnly);
    edit->setFrame((item.style & item_style::kBorder) != 0);
    if (readOnly) {
        // A read-only box sits on the dialog's own background.
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        edit->setPalette(palette);
    }
    return edit;
}

void CDialog::PlaceControl(const DialogItemTemplate& item, QWidget* widget,
                           const DialogUnits& units, QWidget* previousItem) {
    SetControlId(widget, item.id);
    widget->setGeometry(units.ToPixels(item.x, item.y, item.cx, item.cy));
    // A scroll bar takes the focus when clicked, as the window system's does,
    // so the keyboard can go on from there; only tab stops join the tab order.
    const bool tabStop = (item.style & item_style::kTabStop) != 0;
    const Qt::FocusPolicy untabbed =
        item.kind == ControlKind::ScrollBar ? Qt::ClickFocus : Qt::NoFocus;
    widget->setFocusPolicy(tabStop ? Qt::StrongFocus : untabbed);
    if (item.kind == ControlKind::GroupBox) {
        widget->lower();
    }
    // The whole focus chain follows the template, so Tab from a control that
    // is no tab stop (a clicked scroll bar) goes on to the next tab stop after it.
    if (previousItem != nullptr) {
        QWidget::setTabOrder(previousItem, widget);
    }
    if (item.id != IDC_STATIC) {
        m_items.emplace(item.id, widget);
    }
}

void CDialog::RunInitDialog() {
    bool focusFirst = false;
    AfxDispatch([&] { focusFirst = OnInitDialog(); });
    if (focusFirst && !m_ended && m_window) {
        for (const DialogItemTemplate& item : m_template.items) {
            HWND widget = GetDlgItem(item.id);
            if ((item.style & item_style::kTabStop) != 0 && widget != nullptr &&
                widget->isEnabled()) {
                widget->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
}

int CDialog::DoModal() {
    BuildWindow();
    m_modal = true;
    RunInitDialog();
    if (!m_ended) {
        m_window->exec();
    }
    m_modal = false;
    const int result = m_result;
    DestroyWindow();
    return result;
}

bool CDialog::Create() {
    BuildWindow();
    m_modal = false;
    RunInitDialog();
    if (!m_ended) {
        m_window->show();
    }
    return !m_ended;
}

void CDialog::BindControl(int id, CWnd& control) {
    if (control.GetSafeHwnd() != nullptr) {
        return;
    }
    HWND widget = GetDlgItem(id);
    Q_ASSERT_X(widget != nullptr, "CDialog", "no control of this id in the template");
    control.Attach(widget);
    m_bound.push_back(&control);
}

void CDialog::DestroyWindow() {
    for (CWnd* control : m_bound) {
        control->Detach();
    }
    m_bound.clear();
    m_items.clear();
    m_hWnd = nullptr;
    m_window.reset();
}

void CDialog::EndDialog(int result) {
    m_ended = true;
    m_result = result;
    if (m_window) {
        // Ends a running exec() with this code, or just hides a modeless window.
        m_window->done(result);
    }
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const DataExchangeFailure&) {
        return false;
    }
    return true;
}

HWND CDialog::GetDlgItem(int id) const {
    const auto found = m_items.find(id);
    return found != m_items.end() ? found->second : nullptr;
}

void CDialog::SetIcon(const QIcon& icon, bool /*bigIcon*/) {
    // One icon holds both sizes; the window system picks the one it needs.
    if (m_window) {
        m_window->setWindowIcon(icon);
    }
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) {
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnButton(int id) {
    AfxDispatch([&] {
        const auto command = m_commands.find(id);
        if (command != m_commands.end()) {
            command->second();
        } else if (id == IDOK) {
            OnOK();
        } else if (id == IDCANCEL) {
            OnCancel();
        }
    });
}

void CDialog::OnCancelRequested() {
    AfxDispatch([&] { OnCancel(); });
}

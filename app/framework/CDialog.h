// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "AfxDefs.h"
#include "CWnd.h"
#include "DialogTemplate.h"

class CDataExchange;
class DialogUnits;
class DialogWindow;
class QIcon;
class QString;

// A dialog built from a template: each item becomes a real widget, placed by
// dialog units and chained in tab order. Button clicks, horizontal-scroll
// reports and the cancel keys reach the virtual handlers below through
// AfxDispatch, on the window thread.
class CDialog : public CWnd {
  public:
    explicit CDialog(const DialogTemplate& dialogTemplate, CWnd* parent = nullptr);
    ~CDialog() override;

    // Builds the window, runs OnInitDialog and, unless that ended the dialog,
    // runs it modally. Returns the code passed to EndDialog. The widgets are
    // destroyed before it returns.
    virtual int DoModal();

    // Modeless: builds the window, runs OnInitDialog and shows it unless that
    // ended the dialog. Returns whether the dialog is still running.
    bool Create();
    void DestroyWindow();

    void EndDialog(int result);
    bool IsEnded() const { return m_ended; }
    int Result() const { return m_result; }

    bool UpdateData(bool saveAndValidate = true);
    HWND GetDlgItem(int id) const;
    // Binds a control object to item id until the window is destroyed.
    void BindControl(int id, CWnd& control);
    void SetIcon(const QIcon& icon, bool bigIcon);
    const DialogTemplate& Template() const { return m_template; }

  protected:
    virtual void DoDataExchange(CDataExchange* /*dx*/) {}
    // Return true to let the framework focus the first tab stop.
    virtual bool OnInitDialog();
    // Moves control values into members, then ends the dialog with IDOK.
    virtual void OnOK();
    // Ends the dialog with IDCANCEL. Escape and the close box come here.
    virtual void OnCancel();
    virtual void OnHScroll(UINT /*code*/, UINT /*position*/, HWND /*sender*/) {}

    // Message map entry: a click on button id runs the handler.
    void OnBnClicked(int id, std::function<void()> handler);

  private:
    friend class DialogWindow;

    void BuildWindow();
    // One widget a template item, placed by dialog units and chained in tab order.
    QWidget* CreateControl(const DialogItemTemplate& item);
    QWidget* CreateButton(const DialogItemTemplate& item, const QString& text);
    QWidget* CreateTrackbar();
    QWidget* CreateEdit(const DialogItemTemplate& item, const QString& text);
    void PlaceControl(const DialogItemTemplate& item, QWidget* widget, const DialogUnits& units,
                      QWidget* previousItem);
    void RunInitDialog();
    void OnButton(int id);
    void OnCancelRequested();

    const DialogTemplate& m_template;
    std::unique_ptr<DialogWindow> m_window;
    std::map<int, HWND> m_items;
    std::map<int, std::function<void()>> m_commands;
    std::vector<CWnd*> m_bound;
    bool m_ended = false;
    bool m_modal = false;
    int m_result = 0;
};

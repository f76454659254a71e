// "Hot Keys..." (template 135): the link's defaults and every key of the
// program in one three-column list that fills the window.
#pragma once

#include <QDialog>

class QTreeWidget;

class CHelpDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CHelpDlg(QWidget* parent = nullptr);

    QTreeWidget* List() const { return m_list; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnInitDialog();

    QTreeWidget* m_list = nullptr;
};

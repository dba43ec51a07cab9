#pragma once

// Qt-side classes of the framework. Included only by platform/ sources.

#include "Afx.h"
#include "Resources.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QMessageBox>
#include <QString>
#include <QTreeView>

#include <map>
#include <memory>
#include <string>
#include <vector>

class CDialog;
class CWnd;

struct IconResource {
    int id;
};

namespace platform::detail {

inline QString toQt(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline QString toQt(const char* s) { return QString::fromUtf8(s ? s : ""); }
inline std::string fromQt(const QString& s)
{
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Shown texts are cut to this many characters (not bytes) with "…" after them: a list cell
// always, an edit when its text is too long to edit (then it is read-only and keeps its exact
// bytes). A value of megabytes would otherwise be copied, laid out and painted whole.
constexpr std::size_t kShownCharacters = 300;
constexpr const char* kEllipsis = "\xE2\x80\xA6";  // …
// Where text (UTF-8) has had maxCharacters characters, in bytes; npos when it has no more.
std::size_t characterLimit(const std::string& text, std::size_t maxCharacters);
// Cuts text to maxCharacters characters followed by "…", when it is longer.
void elide(std::string& text, std::size_t maxCharacters);

// Which control id a widget carries.
int controlId(const QWidget* widget);
void setControlId(QWidget* widget, int id);
// The widget of a dialog's control, or null.
QWidget* findControl(const QWidget* dialog, int id);
// The control-class bookkeeping of a template control.
const ControlTemplate* controlTemplate(const QWidget* widget);
void setControlTemplate(QWidget* widget, const ControlTemplate& c);

// The text of an edit: the exact bytes last set by the program while the operator has not
// changed it (so stored values that are not UTF-8 survive a round trip), else what is shown.
std::string editText(const QWidget* edit);
void setEditText(QWidget* edit, const std::string& bytes);

// Rows and columns of a report list view.
class ListModel : public QAbstractTableModel {
public:
    struct Column {
        QString title;
        int width;
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int insertColumn(int position, const QString& title, int width);
    bool deleteColumn(int position);
    const std::vector<Column>& columns() const { return m_columns; }

    int insertRow(int index, std::string text);
    bool setText(int row, int column, std::string text);
    const std::string* text(int row, int column) const;
    void clear();
    int rows() const { return static_cast<int>(m_rows.size()); }
    // Tells the view about rows added since it last looked.
    void publish();
    // How many times the view has been told that rows changed (resets and publications).
    int viewUpdates() const { return m_viewUpdates; }

private:
    // Rows are stored bottom-up: display row r is m_rows[size - 1 - r], so the usual insert
    // at index 0 is an append.
    std::vector<std::vector<std::string>>::size_type slot(int row) const { return m_rows.size() - 1 - static_cast<size_t>(row); }
    void schedulePublish();

    std::vector<Column> m_columns;
    std::vector<std::vector<std::string>> m_rows;
    int m_published = 0;
    bool m_publishPending = false;
    int m_viewUpdates = 0;
};

class ListView final : public QTreeView {
public:
    ListView(QWidget* parent, CDialog* owner);
    ~ListView() override;
    ListModel* listModel() const { return m_model; }
    DWORD extendedStyle = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Tells the owner's message map: NM_CLICK or LVN_ITEMCHANGED.
    void notify(UINT code);
    ListModel* m_model;
    CDialog* m_owner;
    bool m_selectedBeforeReset = false;
};

// A drop-down list whose list opens below it with the height its template gives (the
// template's height includes the list), scrolling beyond that, as Windows draws it.
class ComboBox final : public QComboBox {
public:
    ComboBox(QWidget* parent, int templateHeight, bool integralHeight);
    void showPopup() override;

private:
    int m_templateHeight;
    bool m_integralHeight;
};

// A group box drawn as Windows draws one: an etched frame, the caption on its top line.
class GroupBox final : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Gives a dialog's window the caption, frame and size of its template (owned: it has an
// owner window) and returns the dialog base units its controls are placed in.
QSize shapeDialogWindow(QWidget* window, const DialogTemplate& tmpl, bool owned);
// Creates the template's controls on the window in template order, each with the wrapper
// the program reaches it through (kept in items for controls with an id).
void buildControls(QWidget* window, const DialogTemplate& tmpl, CDialog* owner, const QSize& base,
                   std::map<int, std::unique_ptr<CWnd>>& items);

// Makes the combos answer a screen reader with their label as name. Called before the
// first control exists: Qt keeps the first interface it made for a widget (a combo created
// disabled gets one at once), and its own names a combo by its selection.
void installAccessibility();
// Gives every control of a built dialog the accessible name Windows gives a dialog control:
// its own text, else the label that stands for it in the template, else the caption.
void nameControls(QWidget* dialog, const DialogTemplate& tmpl);

class DialogWidget : public QDialog {
public:
    DialogWidget(CDialog* owner, QWidget* parent);
    void finish(int result);
    // Runs the base painting of the paint event being handled (the default processing).
    void defaultPaint();
    QPainter* currentPainter() const { return m_painter; }
    void setCurrentPainter(QPainter* p) { m_painter = p; }
    void applyControlColors(QWidget* control);
    CDialog* owner() const { return m_owner; }
    bool inPaint() const { return m_paintEvent != nullptr; }
    void detachOwner() { m_owner = nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    CDialog* m_owner;
    QPaintEvent* m_paintEvent = nullptr;
    QPainter* m_painter = nullptr;
    bool m_ending = false;
};

// A message box as Windows shows one. A box with Yes and No offers no way out but the two
// buttons: Escape does nothing and there is no close box.
class MessageBoxWidget final : public QMessageBox {
public:
    MessageBoxWidget(QWidget* owner, const std::string& text, const std::string& caption, UINT type);
    // The answer of the button pressed; the box's own when none was (closed otherwise).
    int answer() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Choice {
        QAbstractButton* button;
        int answer;
    };
    std::vector<Choice> m_choices;
    UINT m_buttons;
};

// Message boxes go through here so that a test's hook can answer them.
int showMessageBox(QWidget* owner, const std::string& text, const std::string& caption, UINT type);

// The dialog base units of a template's font: average character width and height in pixels.
QSize dialogBaseUnits(const QFont& font);
QFont templateFont(const DialogTemplate& tmpl);
void installFontSubstitutions();

QPixmap imageResource(int id);
// The handle of an icon resource (stable for the run), or null if none is registered.
HICON iconHandle(int id);

}  // namespace platform::detail

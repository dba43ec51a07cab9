#include "CompressorDlg.h"

#include "ColorScheme.h"
#include "CppSQLiteCursor.h"
#include "CppSQLiteException.h"
#include "CppSQLiteTransaction.h"
#include "DataExchange.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "Statements.h"
#include "WinApp.h"

#include <optional>
#include <string>

namespace {

constexpr const char* kCaption = "Kelvara";

// Column 0 of the statement's first row; nothing when it yields no row. The cursor is
// released before the caller runs its next statement.
std::optional<CString> FirstValue(const std::string& sql)
{
    CppSQLiteCursor cursor = theDb.execute(sql);
    if (cursor.atEnd())
        return std::nullopt;
    return CString(cursor.field(0));
}

// The nine values in table order, named by the captions the dialog shows.
constexpr const char* kValueCaptions[9] = {"Engine capacity", "Model year from", "Model year to",
                                           "Compressor type", "Common part #",   "Kelvara part #",
                                           "Kelvara Jobber $", "Core deposit",   "Net price"};

std::optional<std::string> FieldOf(const CppSQLiteCursor& cursor, int column)
{
    if (!cursor.field(column))
        return std::nullopt;
    return std::string(cursor.fieldView(column));
}

std::string ModelGoneText()
{
    return "Car model \"" + g_strModel + "\" of \"" + g_strManufacturer
           + "\" is no longer in the catalogue; another program may have removed it. The compressor was not saved.";
}

}  // namespace

BEGIN_MESSAGE_MAP(CCompressorDlg, CDialog)
    ON_WM_CREATE()
    ON_WM_PAINT()
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CCompressorDlg::CCompressorDlg(CWnd* pParent) : CDialog(IDD_COMPRESSOR, pParent) {}

CCompressorDlg::~CCompressorDlg() = default;

void CCompressorDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_LABEL_TYPE, m_staticType);
    DDX_Control(pDX, IDC_LABEL_YEAR_TO, m_staticYearTo);
    DDX_Control(pDX, IDC_LABEL_NET_PRICE, m_staticNetPrice);
    DDX_Control(pDX, IDC_LABEL_JOBBER, m_staticJobber);
    DDX_Control(pDX, IDC_LABEL_YEAR_FROM, m_staticYearFrom);
    DDX_Control(pDX, IDC_LABEL_CORE_DEPOSIT, m_staticCoreDeposit);
    DDX_Control(pDX, IDC_LABEL_COMMON_PART_NO, m_staticCommonPartNo);
    DDX_Control(pDX, IDC_LABEL_CAPACITY, m_staticCapacity);
    DDX_Control(pDX, IDC_LABEL_PART_NO, m_staticPartNo);
    DDX_Text(pDX, IDC_PART_NO, m_strPartNo);
    DDX_Text(pDX, IDC_CAPACITY, m_strCapacity);
    DDX_Text(pDX, IDC_COMMON_PART_NO, m_strCommonPartNo);
    DDX_Text(pDX, IDC_CORE_DEPOSIT, m_strCoreDeposit);
    DDX_Text(pDX, IDC_JOBBER, m_strJobber);
    DDX_Text(pDX, IDC_NET_PRICE, m_strNetPrice);
    DDX_Text(pDX, IDC_TYPE, m_strType);
    DDX_Text(pDX, IDC_YEAR_FROM, m_strYearFrom);
    DDX_Text(pDX, IDC_YEAR_TO, m_strYearTo);
}

int CCompressorDlg::OnCreate(LPCREATESTRUCT)
{
    if (Default() == -1)
        return -1;
    if (g_bEditMode != 1)
        return 0;

    CppSQLiteCursor cursor = theDb.execute(kelvara::sql::loadCompressor(theDb.dialect(), g_strCompressorId));
    if (cursor.atEnd()) {
        // Removed by another program since the list was filled. There is nothing to edit:
        // close as Cancel, and the caller's refresh drops the row from the list.
        CWnd* owner = AfxGetMainWnd();
        (owner && owner->GetSafeHwnd() ? owner : this)
            ->MessageBox("The selected compressor is no longer in the catalogue; another program may have "
                         "removed it.",
                         kCaption, MB_OK);
        EndDialog(IDCANCEL);
        return 0;
    }
    m_strCapacity = cursor.field(0);
    m_strYearFrom = cursor.field(1);
    m_strYearTo = cursor.field(2);
    m_strType = cursor.field(3);
    m_strCommonPartNo = cursor.field(4);
    m_strPartNo = cursor.field(5);
    m_strJobber = cursor.field(6);
    m_strCoreDeposit = cursor.field(7);
    m_strNetPrice = cursor.field(8);
    for (int i = 0; i < 9; ++i)
        m_loaded[static_cast<std::size_t>(i)] = FieldOf(cursor, i);
    return 0;
}

bool CCompressorDlg::PricesAreNumbers()
{
    struct Price {
        const CString& value;
        int editId;
        const char* label;
    };
    const Price prices[] = {
        {m_strJobber, IDC_JOBBER, "Kelvara Jobber $"},
        {m_strCoreDeposit, IDC_CORE_DEPOSIT, "Core deposit"},
        {m_strNetPrice, IDC_NET_PRICE, "Net price"},
    };
    for (const Price& price : prices) {
        const std::string fault = kelvara::sql::priceFault(price.value);
        if (fault.empty())
            continue;
        // kelvara-db's import keeps the same rule; a number out of its bounds is named as such.
        const std::string text = std::string(price.label)
                                 + (kelvara::sql::isPlainSqlNumber(price.value) ? " " + fault + "."
                                                                                : " must be a number such as 12 or 12.50.");
        MessageBox(text.c_str(), kCaption, MB_OK);
        if (CWnd* edit = GetDlgItem(price.editId))
            edit->SetFocus();
        return false;
    }
    return true;
}

void CCompressorDlg::OnOK()
{
    UpdateData(TRUE);
    // A price goes into the statement bare; anything but a number would be read as SQL.
    // Checked before the lookups so that a refused save runs nothing at all.
    if (!PricesAreNumbers())
        return;

    // The lookups, the check and the write in one write transaction: on a file no other
    // counter removes the model or changes the row in between (on a server the row lock
    // and the foreign keys see to it). A message waits for the operator only once it ended.
    CppSQLiteTransaction transaction(theDb, CppSQLiteTransaction::Kind::write);
    const auto refuse = [&](const std::string& text) {
        transaction.rollback();
        MessageBox(text.c_str(), kCaption, MB_OK);
    };
    const std::optional<CString> manufacturerId = FirstValue(kelvara::sql::manufacturerIdByName(theDb.dialect(), g_strManufacturer));
    if (!manufacturerId) {
        refuse("Manufacturer \"" + g_strManufacturer
               + "\" is no longer in the catalogue; another program may have removed it. The compressor was not saved.");
        return;
    }
    // An edit's check of the row travels with the model's lookup: one trip to a server.
    if (g_bEditMode != 0)
        theDb.sendAfterNext(kelvara::sql::currentCompressor(theDb.dialect(), true), {std::string(g_strCompressorId)});
    const std::optional<CString> modelId = FirstValue(kelvara::sql::modelIdByName(theDb.dialect(), g_strModel, *manufacturerId));
    if (!modelId) {
        refuse(ModelGoneText());
        return;
    }

    const kelvara::sql::CompressorValues values{m_strCapacity, m_strYearFrom,     m_strYearTo,
                                                m_strType,     m_strCommonPartNo, m_strPartNo,
                                                m_strJobber,   m_strCoreDeposit,  m_strNetPrice};
    // A failure here leaves the handler: the operator is told and the dialog stays open
    // with everything typed.
    if (g_bEditMode == 0) {
        try {
            transaction.executeAndCommit(kelvara::sql::insertCompressor(theDb.dialect(), *modelId, values));
        } catch (const CppSQLiteException& e) {
            // Another counter removed the model after the lookup (a server's foreign key).
            if (!e.isForeignKeyViolation())
                throw;
            refuse(ModelGoneText());
            return;
        }
    } else {
        if (!EditedRowUnchanged(transaction))
            return;
        transaction.executeAndCommit(kelvara::sql::updateCompressor(theDb.dialect(), values, g_strCompressorId));
    }

    CDialog::OnOK();
}

bool CCompressorDlg::EditedRowUnchanged(CppSQLiteTransaction& transaction)
{
    using namespace kelvara::sql;
    CppSQLiteCursor row = theDb.execute(currentCompressor(theDb.dialect(), true), {std::string(g_strCompressorId)});
    if (row.atEnd()) {
        row.finalize();
        transaction.rollback();
        MessageBox("Another counter removed this compressor while you were editing it. Nothing was saved.", kCaption,
                   MB_OK | MB_ICONWARNING);
        return false;
    }
    std::string changed;
    const auto note = [&changed](const char* caption) { changed += (changed.empty() ? "" : ", ") + std::string(caption); };
    for (std::size_t i = 0; i < m_loaded.size(); ++i) {
        Loaded now = FieldOf(row, kCurrentFirstValue + static_cast<int>(i));
        if (now != m_loaded[i]) {
            note(kValueCaptions[i]);
            m_loaded[i] = std::move(now);
        }
    }
    const Loaded model = FieldOf(row, kCurrentModelId);
    if (m_listedModel && model != m_listedModel) {
        note("car model");
        m_listedModel = model;
    }
    row.finalize();
    if (changed.empty())
        return true;
    transaction.rollback();
    const std::string text = "Another counter changed this compressor while you were editing it (" + changed
                             + "). Nothing was saved. Save again to write your values over theirs, or Cancel to "
                               "keep theirs.";
    MessageBox(text.c_str(), kCaption, MB_OK | MB_ICONWARNING);
    return false;
}

void CCompressorDlg::OnPaint()
{
    CPaintDC dc(this);
    FillWithBackground(*this, dc);
    Default();
}

HBRUSH CCompressorDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    if (IsOneOf(pWnd, {&m_staticType, &m_staticYearTo, &m_staticNetPrice, &m_staticJobber, &m_staticYearFrom,
                       &m_staticCoreDeposit, &m_staticCommonPartNo, &m_staticCapacity, &m_staticPartNo}))
        SetCaptionColors(pDC);
    return brush;
}

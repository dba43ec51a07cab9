// The main window: layout, start-up and painting.

#include "CatalogDlg.h"

#include "AboutDlg.h"
#include "ColorScheme.h"
#include "ColumnSet.h"
#include "CppSQLiteException.h"
#include "DataExchange.h"
#include "Globals.h"
#include "LockWaitDlg.h"
#include "ResourceIds.h"
#include "Sqlite2Header.h"
#include "Statements.h"
#include "WinApp.h"


BEGIN_MESSAGE_MAP(CCatalogDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_FIND_COMPRESSORS, OnFindCompressors)
    ON_CBN_SELCHANGE(IDC_MANUFACTURER_LIST, OnSelchangeManufacturer)
    ON_CBN_SELCHANGE(IDC_MODEL_LIST, OnSelchangeModel)
    ON_WM_CTLCOLOR()
    ON_BN_CLICKED(IDC_ADD_MANUFACTURER, OnAddManufacturer)
    ON_BN_CLICKED(IDC_REMOVE_MANUFACTURER, OnRemoveManufacturer)
    ON_BN_CLICKED(IDC_ADD_MODEL, OnAddModel)
    ON_BN_CLICKED(IDC_REMOVE_MODEL, OnRemoveModel)
    ON_NOTIFY(NM_CLICK, IDC_RESULTS, OnClickList)
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_RESULTS, OnItemchangedList)
    ON_BN_CLICKED(IDC_REMOVE_COMPRESSOR, OnRemoveCompressor)
    ON_BN_CLICKED(IDC_EDIT_COMPRESSOR, OnEditCompressor)
    ON_BN_CLICKED(IDC_ADD_COMPRESSOR, OnAddCompressor)
    ON_BN_CLICKED(IDC_SET_VISIBLE_COLUMNS, OnSetVisibleColumns)
END_MESSAGE_MAP()

CCatalogDlg::CCatalogDlg(CWnd* pParent)
    : CDialog(IDD_CATALOG_DIALOG, pParent), m_hIcon(AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr)
{
}

CCatalogDlg::~CCatalogDlg() { m_fontBanner.DeleteObject(); }

void CCatalogDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_GROUP_MODEL, m_grpCarModel);
    DDX_Control(pDX, IDC_GROUP_MANUFACTURER, m_grpManufacturer);
    DDX_Control(pDX, IDC_GROUP_BY_MANUFACTURERS, m_grpSearchByManufacturers);
    DDX_Control(pDX, IDC_BANNER_CONTACT, m_staticContact);
    DDX_Control(pDX, IDC_BANNER_TOWN, m_staticTown);
    DDX_Control(pDX, IDC_BANNER_ADDRESS, m_staticAddress);
    DDX_Control(pDX, IDC_SEARCH_TYPE, m_editType);
    DDX_Control(pDX, IDC_MODEL_LIST, m_comboModel);
    DDX_Control(pDX, IDC_MANUFACTURER_LIST, m_comboManufacturer);
    DDX_Control(pDX, IDC_BANNER_COMPANY, m_staticCompany);
    DDX_Control(pDX, IDC_GROUP_BY_TYPE, m_grpSearchByType);
    DDX_Control(pDX, IDC_RESULTS, m_listResults);
    DDX_Text(pDX, IDC_SEARCH_TYPE, m_strSearchType);
    DDX_CBString(pDX, IDC_MODEL_LIST, m_strModel);
    DDX_CBString(pDX, IDC_MANUFACTURER_LIST, m_strManufacturer);
}

namespace {

constexpr const char* kNoServerCatalogue =
    "\n\nThis database holds no Kelvara catalogue. Create one with 'kelvara-db init' and the same connection "
    "string, or bring a catalogue file there with 'kelvara-db copy database.db' and that connection string.";

// Whether the server database has the catalogue's column settings table; true when even
// that cannot be asked (the first failure is the one to show then).
bool ServerHoldsCatalogue()
{
    try {
        CppSQLiteCursor found = theDb.execute("select count(*) from pg_tables where schemaname = current_schema() "
                                              "and tablename = 'kolumny'");
        return CString(found.field(0)) != "0";
    } catch (const CppSQLiteException&) {
        return true;
    }
}

}  // namespace

BOOL CCatalogDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // A statement that waits for another program's lock shows it, from the first one on:
    // at start-up the window stands on its own, before this one is on screen.
    theDb.setLockWaitObserver(&CatalogueLockWait());
    try {
        theDb.open(g_strCatalogue.c_str());
        // The manufacturers travel with the column settings: one trip to a server.
        theDb.sendAfterNext(kelvara::sql::selectManufacturers());
        ReadColumnFlags();
    } catch (const CppSQLiteException& e) {
        // A server database that holds no catalogue yet names only the first table it missed.
        if (theDb.isOpen() && theDb.dialect() == kelvara::sql::Dialect::postgres && !ServerHoldsCatalogue())
            throw CppSQLiteException(e.errorCode(), (std::string(e.engineMessage()) + kNoServerCatalogue).c_str());
        // SQLite 3 only calls an old catalogue "not a database"; say what it is and how
        // to bring it along.
        if (!kelvara::db::isSqlite2File(g_strCatalogue))
            throw;
        const std::string name = g_strCatalogue;
        const std::string text = "file is not a database\n\n" + name +
                                 " is a catalogue written by SQLite 2, which this version of Kelvara cannot open. "
                                 "Convert it once with\n\n    kelvara-db migrate " +
                                 name + " new.db\n\nthen replace " + name + " with new.db.";
        throw CppSQLiteException(e.errorCode(), text.c_str());
    }
    InsertVisibleColumns();
    FillManufacturers();

    m_fontBanner.CreateFont(45, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Comic Sans MS");
    if (CWnd* company = GetDlgItem(IDC_BANNER_COMPANY))
        company->SetFont(&m_fontBanner, TRUE);

    m_listResults.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    // No label stands for the list; its template text is a placeholder.
    m_listResults.SetAccessibleName("Compressors found");
    UpdateData(FALSE);
    return TRUE;
}

void CCatalogDlg::InsertVisibleColumns()
{
    int position = 0;
    for (size_t i = 0; i < kResultColumns.size(); ++i) {
        if (g_columnVisible[i] == 1) {
            m_listResults.InsertColumn(position, kResultColumns[i].title, LVCFMT_LEFT, kResultColumns[i].width, -1);
            ++position;
        }
    }
}

void CCatalogDlg::OnSysCommand(UINT nID, LPARAM)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg::ShowOne();
    } else {
        Default();
    }
}

void CCatalogDlg::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        const int x = (rect.Width() - cxIcon + 1) / 2;
        const int y = (rect.Height() - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }
    CPaintDC dc(this);
    FillWithBackground(*this, dc);
    Default();
    FillWithBackground(*this, dc);
}

HCURSOR CCatalogDlg::OnQueryDragIcon() { return m_hIcon; }

HBRUSH CCatalogDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    if (IsOneOf(pWnd, {&m_staticCompany, &m_grpSearchByType, &m_grpSearchByManufacturers, &m_staticAddress,
                       &m_staticTown, &m_staticContact, &m_grpManufacturer, &m_grpCarModel}))
        SetCaptionColors(pDC);
    return brush;
}

void CCatalogDlg::FillManufacturers()
{
    CppSQLiteCursor cursor = theDb.execute(kelvara::sql::selectManufacturers());
    m_comboManufacturer.ResetContent();
    while (!cursor.atEnd()) {
        m_comboManufacturer.AddString(cursor.field(0));
        cursor.advance();
    }
    UpdateData(TRUE);
}

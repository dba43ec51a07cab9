#pragma once

// The main window: the manufacturer and model lists, the type search, the result list and
// the compressor commands. The program lives as long as this dialog.

#include "Controls.h"
#include "Dialog.h"
#include "Gdi.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class CppSQLiteCursor;

class CCatalogDlg : public CDialog {
public:
    explicit CCatalogDlg(CWnd* pParent = nullptr);
    ~CCatalogDlg() override;

    // Reloads the manufacturer list from the catalogue; no entry is selected afterwards.
    void FillManufacturers();
    // Reloads the model list for the selected manufacturer and enables it.
    void FillModels();
    // The search by the selected manufacturer and model; the refresh after every change.
    void SearchByModel();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    void OnFindCompressors();
    void OnSelchangeManufacturer();
    void OnSelchangeModel();
    void OnAddManufacturer();
    void OnRemoveManufacturer();
    void OnAddModel();
    void OnRemoveModel();
    void OnClickList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnItemchangedList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnRemoveCompressor();
    void OnEditCompressor();
    void OnAddCompressor();
    void OnSetVisibleColumns();

    DECLARE_MESSAGE_MAP()

private:
    // The search that filled the result list last, with what it searched for. When the
    // columns change while the lists name no car, the list is filled again by it.
    struct ResultSearch {
        enum Kind { kNone, kByType, kByCar };
        Kind kind = kNone;
        CString type;  // upper-cased
        CString manufacturer;
        CString model;
    };

    void InsertVisibleColumns();
    // The type search for an upper-cased type, and the search by car names.
    void SearchByType(const CString& upperType);
    void SearchByCar(const CString& manufacturer, const CString& model);
    // Fills the emptied result list from a row cursor of the searches, with the id array
    // allocated for the counted rows. Rows beyond the count are not listed: true then.
    bool FillResults(CppSQLiteCursor& rows, std::unique_ptr<std::int64_t[]> ids, std::int32_t counted);
    // g_strCompressorId: the id of the selected result row, or empty when none is.
    void NameSelectedCompressor();
    // A digest of a row's manufacturer, model and nine values (column indexes in the cursor's
    // row), to tell later whether the catalogue still holds the row the list showed.
    static std::uint64_t RowDigest(CppSQLiteCursor& row, int manufacturer, int model, int firstValue);
    // Whether the compressor g_strCompressorId names still is the row clicked in the list:
    // same manufacturer, model and values. modelId, if given, receives its model's id.
    // lockRow keeps it as read until the transaction in progress ends.
    bool SelectedRowIsCurrent(bool lockRow, std::optional<std::string>* modelId);
    bool RowWasListed() const;
    // Tells the operator that the clicked row changed under them (what was not done), and
    // searches again.
    void ReportListedRowChanged(const char* notDone);

    CButton m_grpCarModel;
    CButton m_grpManufacturer;
    CButton m_grpSearchByManufacturers;
    CStatic m_staticContact;
    CStatic m_staticTown;
    CStatic m_staticAddress;
    CEdit m_editType;
    CComboBox m_comboModel;
    CComboBox m_comboManufacturer;
    CStatic m_staticCompany;
    CButton m_grpSearchByType;
    CListCtrl m_listResults;
    CString m_strSearchType;
    CString m_strModel;
    CString m_strManufacturer;
    HICON m_hIcon;
    CFont m_fontBanner;
    ResultSearch m_lastSearch;
    // Beside g_pCompressorIds: each listed row's RowDigest, and the clicked row's.
    std::unique_ptr<std::uint64_t[]> m_pRowDigests;
    CString m_strDigestOf;  // the id m_selectedDigest belongs to
    std::uint64_t m_selectedDigest = 0;
};

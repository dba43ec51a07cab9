#pragma once

// Adds a compressor to the model selected in the main window, or edits the compressor
// last clicked in the result list. g_bEditMode chooses; the dialog reads the shared
// selection globals, writes its one row itself and changes no global.

#include "Controls.h"
#include "Dialog.h"

#include <array>
#include <optional>
#include <string>

class CppSQLiteTransaction;

class CCompressorDlg : public CDialog {
public:
    explicit CCompressorDlg(CWnd* pParent = nullptr);
    ~CCompressorDlg() override;

    // In edit mode: the id of the model the edited row had in the list, if known. Save then
    // also refuses when another counter moved the compressor to another model.
    void SetListedModel(const std::optional<std::string>& modelId) { m_listedModel = modelId; }

    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Save: looks up the model, then inserts or updates the row and closes.
    void OnOK() override;

    // Loads the stored values in edit mode, before the first data exchange shows them.
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnPaint();
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

private:
    // Tells the operator about the first price that SQL would not read as a number and
    // puts the caret there. False when one was found.
    bool PricesAreNumbers();
    // In edit mode, inside Save's transaction: whether the row still holds what the dialog
    // loaded. If not, the operator is told what changed (or that the row is gone), the
    // transaction is rolled back, and what the catalogue holds now becomes the loaded state,
    // so that a second Save writes the operator's values.
    bool EditedRowUnchanged(CppSQLiteTransaction& transaction);

    using Loaded = std::optional<std::string>;  // nullopt: SQL NULL
    std::array<Loaded, 9> m_loaded;
    Loaded m_listedModel;

    CStatic m_staticType;
    CStatic m_staticYearTo;
    CStatic m_staticNetPrice;
    CStatic m_staticJobber;
    CStatic m_staticYearFrom;
    CStatic m_staticCoreDeposit;
    CStatic m_staticCommonPartNo;
    CStatic m_staticCapacity;
    CStatic m_staticPartNo;
    CString m_strPartNo;
    CString m_strCapacity;
    CString m_strCommonPartNo;
    CString m_strCoreDeposit;
    CString m_strJobber;
    CString m_strNetPrice;
    CString m_strType;
    CString m_strYearFrom;
    CString m_strYearTo;
};

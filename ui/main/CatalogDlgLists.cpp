// The manufacturer and model lists: filling the model list, and adding and removing
// manufacturers and models. Entries are known by the names shown; a removal is refused
// while anything still depends on the name.

#include "CatalogDlg.h"

#include "AddManufacturerDlg.h"
#include "AddModelDlg.h"
#include "CppSQLiteException.h"
#include "CppSQLiteTransaction.h"
#include "Globals.h"
#include "Statements.h"

namespace {

constexpr const char* kCaption = "Kelvara";

// The dependency count and the deletion in one write transaction, so that no other counter
// adds a dependant in between (on a file the transaction keeps every writer out; on a
// server the foreign keys refuse whichever of the two comes second). False, with nothing
// deleted, while something still depends on it.
bool RemovedUnlessUsed(const std::string& count, const std::string& deletion)
{
    CppSQLiteTransaction transaction(theDb, CppSQLiteTransaction::Kind::write);
    CppSQLiteCursor dependants = theDb.execute(count);
    const CString found = dependants.field(0);
    dependants.finalize();
    if (found != "0")
        return false;
    try {
        transaction.executeAndCommit(deletion);
    } catch (const CppSQLiteException& e) {
        if (!e.isForeignKeyViolation())
            throw;
        return false;
    }
    return true;
}

}  // namespace

void CCatalogDlg::FillModels()
{
    UpdateData(TRUE);
    const int selected = m_comboManufacturer.GetCurSel();
    if (selected == CB_ERR)
        return;
    const CString manufacturer = m_comboManufacturer.GetLBText(selected);

    m_comboModel.EnableWindow(TRUE);
    CppSQLiteCursor cursor = theDb.execute(kelvara::sql::modelsOfManufacturer(manufacturer));
    // Emptied only once the query has run, so a failing query leaves the old entries.
    const int count = m_comboModel.GetCount();
    for (int i = 0; i < count; ++i)
        m_comboModel.DeleteString(0);
    while (!cursor.atEnd()) {
        m_comboModel.AddString(cursor.field(0));
        cursor.advance();
    }
}

void CCatalogDlg::OnSelchangeManufacturer()
{
    FillModels();
    // The rows shown belonged to the previous choice.
    m_listResults.DeleteAllItems();
}

void CCatalogDlg::OnAddManufacturer()
{
    // A dialog that could not open ends its command (its failure has been shown).
    CAddManufacturerDlg dlg;
    if (dlg.DoModal() == -1)
        return;
    FillManufacturers();
}

void CCatalogDlg::OnRemoveManufacturer()
{
    const int selected = m_comboManufacturer.GetCurSel();
    if (selected == CB_ERR) {
        MessageBox("Select car manufacturer first.", kCaption, MB_OK);
        return;
    }
    const CString name = m_comboManufacturer.GetLBText(selected);
    if (!name.IsEmpty()) {
        // Every manufacturer of that name counts and goes together.
        if (!RemovedUnlessUsed(kelvara::sql::countModelsOfManufacturer(theDb.dialect(), name),
                               kelvara::sql::deleteManufacturer(theDb.dialect(), name)))
            MessageBox("Cannot remove manufacturer.\nAll associated models must be deleted first.", kCaption, MB_OK);
    }
    FillManufacturers();
}

void CCatalogDlg::OnAddModel()
{
    const int selected = m_comboManufacturer.GetCurSel();
    if (selected == CB_ERR) {
        MessageBox("Select car manufacturer first.", kCaption, MB_OK);
        return;
    }
    g_strManufacturer = m_comboManufacturer.GetLBText(selected);
    CAddModelDlg dlg;
    if (dlg.DoModal() == -1)
        return;
    FillModels();
}

void CCatalogDlg::OnRemoveModel()
{
    const int selected = m_comboModel.GetCurSel();
    if (selected == CB_ERR) {
        MessageBox("Select car model first.", kCaption, MB_OK);
        return;
    }
    const CString name = m_comboModel.GetLBText(selected);
    if (!name.IsEmpty()) {
        // Models are known by name alone: the count and the deletion cover that name
        // under every manufacturer.
        if (!RemovedUnlessUsed(kelvara::sql::countCompressorsOfModel(theDb.dialect(), name),
                               kelvara::sql::deleteModel(theDb.dialect(), name)))
            MessageBox("Cannot remove model.\nAll associated compressors must be deleted first.", kCaption, MB_OK);
    }
    FillModels();
}

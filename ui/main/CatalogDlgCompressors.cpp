// The compressor commands: add, edit and remove, each followed by a fresh search.

#include "CatalogDlg.h"

#include "CompressorDlg.h"
#include "CppSQLiteTransaction.h"
#include "Globals.h"
#include "Statements.h"

namespace {

constexpr const char* kCaption = "Kelvara";

// A compressor belongs to a car model, so every command needs both lists selected.
// Tells the operator when one is not.
bool CarIsSelected(CWnd& owner, const CComboBox& model, const CComboBox& manufacturer)
{
    const int modelIndex = model.GetCurSel();
    const int manufacturerIndex = manufacturer.GetCurSel();
    if (modelIndex != CB_ERR && manufacturerIndex != CB_ERR)
        return true;
    owner.MessageBox("You need to select car manufacturer and model.", kCaption, MB_OK);
    return false;
}

}  // namespace

void CCatalogDlg::OnAddCompressor()
{
    if (!CarIsSelected(*this, m_comboModel, m_comboManufacturer))
        return;
    g_strModel = m_comboModel.GetLBText(m_comboModel.GetCurSel());
    g_strManufacturer = m_comboManufacturer.GetLBText(m_comboManufacturer.GetCurSel());
    g_bEditMode = 0;

    CCompressorDlg dlg;
    if (dlg.DoModal() == -1)
        return;
    SearchByModel();
}

void CCatalogDlg::OnEditCompressor()
{
    if (!CarIsSelected(*this, m_comboModel, m_comboManufacturer))
        return;
    if (g_strCompressorId.IsEmpty()) {
        MessageBox("You need to select compressor to edit.", kCaption, MB_OK);
        return;
    }
    g_strModel = m_comboModel.GetLBText(m_comboModel.GetCurSel());
    g_strManufacturer = m_comboManufacturer.GetLBText(m_comboManufacturer.GetCurSel());
    g_bEditMode = 1;
    // The id may name another compressor by now (a removed row's id given to a new one).
    // The dialog's load travels with the check: one trip to a server.
    if (RowWasListed())
        theDb.sendAfterNext(kelvara::sql::loadCompressor(theDb.dialect(), g_strCompressorId));
    std::optional<std::string> modelId;
    if (!SelectedRowIsCurrent(false, &modelId)) {
        ReportListedRowChanged("Nothing was opened.");
        return;
    }

    // -1: the dialog could not open (its load failed and the operator has been told). The
    // command ends there: no second wait on the same lock, the clicked row still selected.
    CCompressorDlg dlg;
    dlg.SetListedModel(modelId);
    if (dlg.DoModal() == -1)
        return;
    SearchByModel();
}

void CCatalogDlg::OnRemoveCompressor()
{
    if (!CarIsSelected(*this, m_comboModel, m_comboManufacturer))
        return;
    if (g_strCompressorId.IsEmpty()) {
        MessageBox("You need to select compressor to remove.", kCaption, MB_OK);
        return;
    }
    if (MessageBox("Are you sure that you want to delete this compressor?", kCaption,
                   MB_YESNO | MB_ICONINFORMATION) == IDYES) {
        // Checked and deleted in one transaction: nothing can replace the row in between.
        CppSQLiteTransaction transaction(theDb, CppSQLiteTransaction::Kind::write);
        if (!SelectedRowIsCurrent(true, nullptr)) {
            transaction.rollback();
            ReportListedRowChanged("Nothing was removed.");
            return;
        }
        transaction.executeAndCommit(kelvara::sql::deleteCompressor(g_strCompressorId));
    }
    SearchByModel();
}

bool CCatalogDlg::SelectedRowIsCurrent(bool lockRow, std::optional<std::string>* modelId)
{
    if (!RowWasListed())
        return true;
    CppSQLiteCursor row = theDb.execute(kelvara::sql::currentCompressor(theDb.dialect(), lockRow),
                                        {std::string(g_strCompressorId)});
    if (row.atEnd() || RowDigest(row, kelvara::sql::kCurrentManufacturer, kelvara::sql::kCurrentModel,
                                 kelvara::sql::kCurrentFirstValue) != m_selectedDigest)
        return false;
    if (modelId && row.field(kelvara::sql::kCurrentModelId))
        *modelId = row.field(kelvara::sql::kCurrentModelId);
    return true;
}

bool CCatalogDlg::RowWasListed() const
{
    // Only a row clicked in the list has a digest to compare with.
    return g_strCompressorId.compare(m_strDigestOf) == 0;
}

void CCatalogDlg::ReportListedRowChanged(const char* notDone)
{
    const std::string text = std::string("Another counter changed or removed this compressor since the list was "
                                         "filled. ") + notDone + " The list now shows the catalogue as it is.";
    MessageBox(text.c_str(), kCaption, MB_OK | MB_ICONWARNING);
    SearchByModel();
}

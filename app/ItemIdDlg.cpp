#include "app/ItemIdDlg.h"

void CItemIdDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_ITEMID_EDIT, m_itemId);
    DDV_MaxChars(pDX, m_itemId, kMaxItemIdChars);
}

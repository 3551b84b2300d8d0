#include "Startup.h"

#include "AccessibleNames.h"
#include "Main.h"
#include "about.h"
#include "accounts/NewAcc.h"
#include "accounts/pop_acc.h"
#include "accounts/pwd_req.h"
#include "msg_src.h"
#include "rules/def_Rule.h"
#include "rules/rules.h"

std::unique_ptr<TMainFrm> CreateApplicationWindows()
{
    auto main = std::make_unique<TMainFrm>();
    NameMainWindowParts(*main);
    TAppWindows w;
    // "Mail Accounts" fills the main window's account drop-down as it is made.
    w.Frm_Acc = new TFrm_Acc(*main->PopupMenu1, main.get());
    w.frm_NewAcc = new Tfrm_NewAcc(main.get());
    w.Frm_srcvu = new TFrm_srcvu(main.get());
    w.Frm_Rules = new TFrm_Rules(main.get());
    w.Frm_defRule = new TFrm_defRule(*w.Frm_Rules, main.get());
    w.AboutBox = new TAboutBox(main.get());
    w.frm_pwd_req = new Tfrm_pwd_req(main.get());
    w.Frm_Acc->SetAccountDialog(w.frm_NewAcc);
    main->SetWindows(w);
    return main;
}

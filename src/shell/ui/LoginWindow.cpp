#include "shell/ui/LoginWindow.h"

#include "shell/ui/frmLogin.h"

namespace pyxa {

bool LoginWindow::ShowLogin() {
  frmLogin window(controller_, parent_);
  window.SetUser(settings_.LastLogin);
  window.exec();
  return window.AuthenticationMark() == frmLogin::kAuthenticated;
}

}  // namespace pyxa

#include "session/setup_session.h"

#include "platform/error_report.h"

SetupSession::SetupSession(HINSTANCE hinstance, HWND mainWindow, const char* commandPath)
    : instance(hinstance), window(mainWindow), variables(new VariableTable) {
  started_ = SetSystemVariables(commandPath);
}

// Lists go first, in index order, then the variables their items refer to.
SetupSession::~SetupSession() {
  for (auto& itemList : lists) itemList.reset();
  variables.reset();
}

void SetupSession::ReportError(SetupError code) { ShowErrorReport(instance, code); }

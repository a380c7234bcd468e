#include "game/ai/run_report.h"

#include "platform/msgbox.h"

bool ReportBlockRun(ScriptBlock block, int result) {
    if (result > 0) return true;
    const bool missing = result < 0;
    const char* text = nullptr;
    switch (block) {
    case ScriptBlock::Conditions:
        text = missing ? "Conditions block not found." : "Execution of Conditions block failed.";
        break;
    case ScriptBlock::Exceptions:
        text = missing ? "Exceptions block not found." : "Execution of Exceptions block failed.";
        break;
    case ScriptBlock::Orders:
        text = missing ? "Orders block not found." : "Execution of Orders block failed.";
        break;
    }
    MessageBox(nullptr, text, "Interpretor Error", MB_ICONINFORMATION);
    return false;
}

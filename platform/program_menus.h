#pragma once
// The program's own menus and accelerator tables (resources/menus.txt, compiled in). The text:
//   MENU <name>                 a menu; its body is a resource script of POPUPs (platform/menu.h)
//   ACCELERATORS <name>         a table; each line: [Ctrl+][Shift+][Alt+]<key> <id>
//                               (key: a letter, a digit, F1..F12, Enter, Escape, Tab, Space)
// A menu or table runs to the next MENU or ACCELERATORS line; lines starting with # are skipped.
#include <string>

namespace platform {
// Registers each menu and table whose name nothing has registered yet (a test's own stay).
// False with `error` (and nothing registered) when the text is damaged.
bool RegisterMenuText(const std::string& text, std::string& error);
// The same for the compiled-in text.
bool RegisterProgramMenus(std::string& error);
} // namespace platform

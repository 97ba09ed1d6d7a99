#pragma once
// The menu bar's tools in display order: what the builder makes and the handler's IDs.

namespace th::menu {

enum class ToolKind { Menu, Submenu, Command, Separator };

struct MenuTool {
    int depth;            // 0 on the bar, 1 inside a menu, 2 inside a submenu
    const char* caption;  // "&" marks the access key
    const char* id;       // empty for separators
    ToolKind kind;
    const char* category;  // read by no command
};

inline constexpr const char* kToolBarName = "Quelvane";

inline constexpr MenuTool kMenuTree[] = {
    {0, "&File", "ID_File", ToolKind::Menu, "File"},
    {1, "&Load Log...", "ID_LoadLog...", ToolKind::Command, "File"},
    {1, "Load log &folder...", "ID_LoadLogFolder...", ToolKind::Command, "File"},
    {1, "&Generate HTML...", "ID_GenerateHTML...", ToolKind::Command, "File"},
    {1, "", "", ToolKind::Separator, ""},
    {1, "E&xit", "ID_Exit", ToolKind::Command, "File"},
    {0, "&Utilities", "ID_Tool1", ToolKind::Menu, "Utilis"},
    {1, "&Database", "ID_Database", ToolKind::Submenu, "Utilis"},
    {2, "Bac&kup", "ID_Backup", ToolKind::Command, "Utilis"},
    {2, "", "", ToolKind::Separator, ""},
    {2, "&Reset", "ID_ResetDatabase", ToolKind::Command, "Utilis"},
    {0, "&Help", "ID_Help", ToolKind::Menu, "Help"},
    {1, "&Web Links", "ID_WebLinks", ToolKind::Submenu, "Help"},
    {2, "&Oakmere", "ID_Oakmere", ToolKind::Command, "Help"},
    {2, "", "", ToolKind::Separator, ""},
    {2, "&Quelvane", "ID_Quelvane", ToolKind::Command, "Help"},
    {2, "&Even Balance", "ID_Punkbuster", ToolKind::Command, "Help"},
    {1, "", "", ToolKind::Separator, ""},
    {1, "&About", "ID_About", ToolKind::Command, "Help"},
};

}  // namespace th::menu

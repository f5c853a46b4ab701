#pragma once
#include <FL/Fl_Menu_Item.H>

// One entry of a menu table: label, callback, callback data and flags, with
// the 20-point text of every menu of the window; VELK_END ends a table or a
// submenu.
#define VELK_ITEM(label, cb, data, flags)                                                          \
    { label, 0, cb, (void*)(fl_intptr_t)(data), flags, 0, 0, 20, 0 }
#define VELK_END                                                                                   \
    { 0, 0, 0, 0, 0, 0, 0, 0, 0 }

// Expansions of a menu list (a macro of ITEM(name, label, callback, data,
// flags) and END(name) rows): the names as enumerators, which makes each
// name the position of its entry, and the entries of the table.
#define VELK_MENU_ID(id, ...) id,
#define VELK_MENU_END_ID(id) id,
#define VELK_MENU_ITEM(id, ...) VELK_ITEM(__VA_ARGS__),
#define VELK_MENU_END(id) VELK_END,

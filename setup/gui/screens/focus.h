// Where the keyboard and gamepad focus goes, all in one place:
// - a new view gives its own item the focus: whoever changes App.view sets App.focused
//   false, and the view hands the focus to its item (`default_focus`, or on the form
//   `form_focus`) on its next frame;
// - a dialog or the browser gives the focus back to the item that opened it once it
//   closes (`focus_opened_by`, `focus_back`);
// - a Tab, an arrow or the d-pad while no focus frame shows lands on the view's own item
//   rather than on whatever comes first (`focus_frame_begin`).
// Every item that can hold the focus has an identity that does not change with its label.
#pragma once

struct App;

// The form's items that take the focus by name: its pickers and its main button.
enum FormItem { ITEM_NONE, ITEM_GAME, ITEM_GAME_LINK, ITEM_DEST, ITEM_MAIN };

// A dialog or the browser was opened from `item`.
void focus_opened_by(int item);
// The item that opened the last dialog or browser.
int focus_opener();
// That dialog or browser closed: its opener takes the focus on the form's next frame.
void focus_back();

// At the top of the column, before a view is drawn.
void focus_frame_begin();
// At its end, with the view that was drawn: a view reached by a button of this frame gives
// its own item the focus on the next.
void focus_frame_end(int drawn_view);

// The form's item that takes the focus this frame, or ITEM_NONE: the opener given back,
// else on a new view the next thing to do (`designated_item`).
int form_focus(const App& app);

// Right after an item: gives it the keyboard focus with the navigation frame showing.
void take_focus();
// Right after a view's own item: gives it the focus once per view change.
void default_focus();

// The gamepad's west button pressed this frame. It is the window's own (the browser
// lists all files with it), never the GUI's switch to a menu layer that no view has.
bool west_button_pressed();

// True while no focus frame shows: nothing holds the focus, or the GUI holds an item
// without showing its frame (as after a click).
bool nothing_focused();

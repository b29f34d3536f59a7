// Anchor for the window library while no window is built yet.
namespace corvane_ui_anchor {}

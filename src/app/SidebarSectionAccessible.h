#pragma once

// What a screen reader finds in the sidebar's section list: a list whose rows are
// items named by their section, marked selected when chosen and focused under the
// ring, that the reader can press to switch (or focus to put the ring there).
namespace SidebarSectionAccessible {

// Makes every SidebarSectionList answer this way; once per process is enough.
void install();

} // namespace SidebarSectionAccessible

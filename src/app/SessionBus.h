#pragma once

// The desktop session's message bus, which Qt's accessibility bridge joins the first
// time a widget shows or labels itself. Joining blocks the interface thread until
// the bus answers, and where no bus runs yet (a bare X server, a remote display)
// libdbus first starts one through dbus-launch: some 5 ms before the first window
// can paint, against about 6 ms of font set-up that needs no bus.
namespace SessionBus {

// Starts joining the bus on a worker thread, so the wait overlaps the font set-up;
// the bridge then finds the connection made (or waits only for what is left).
// Does nothing on platforms whose accessibility does not use the bus.
void joinInBackground();

} // namespace SessionBus

#pragma once

// The named colours the consoles give their badges, dots and tiles. State objects
// decide which one; the screens turn it into a colour.
enum class Tint { Blue, Green, Orange, Purple, Red, Pink, Teal, Yellow, Gray };

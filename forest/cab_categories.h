// Collision categories of the cab world (16-bit filter bits).
#pragma once

#include <cstdint>

constexpr uint16_t CAB_FLOOR = 0x0001;  // floor, lower walls, floor block
constexpr uint16_t CAB_ROOF = 0x0002;
constexpr uint16_t CAB_WINDOWS = 0x0004;  // upper walls: the side windows
constexpr uint16_t CAB_WHEEL_RIM = 0x0008;
constexpr uint16_t CAB_WHEEL_SPOKES = 0x0010;
constexpr uint16_t CAB_BEAR = 0x0020;
constexpr uint16_t CAB_LOOSE = 0x0040;  // loose objects, what the mouth can sense
constexpr uint16_t CAB_LEDGE = 0x0080;
constexpr uint16_t CAB_PEDALS = 0x0100;  // pedals and gear lever
constexpr uint16_t CAB_MOUTH = 0x0200;
constexpr uint16_t CAB_BADGER_HEAD = 0x0400;
constexpr uint16_t CAB_SNOWBALL = 0x0800;

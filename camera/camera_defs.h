#pragma once

#include "platform/capture/capture_types.h"

// Camera result codes. Operations that read return the value read (0 or more) instead of
// CAMERA_OK.
constexpr int CAMERA_OK = 0;
constexpr int CAMERA_ERR_FAILED = -1;     // a capture-system, graph or property request failed
constexpr int CAMERA_ERR_BUSY = -5;       // the camera is in use, or its busy byte cannot be read
constexpr int CAMERA_ERR_NOT_PRESENT = -6; // no camera at this index
constexpr int CAMERA_ERR_NO_DEVICE = -7;  // no device enumerator, or no video-input device
constexpr int CAMERA_ERR_BAD_INDEX = -8;  // index outside 0 to 15
constexpr int CAMERA_ERR_NOT_OPEN = -9;   // run or stop with no graph built
constexpr int CAMERA_ERR_COM_INIT = -11;  // the capture system cannot be started on this thread

constexpr int CAMERA_MAX = 16;

// Tests of CameraDevice::CheckCamera.
constexpr int CAMERA_CHECK_INDEX = 1;
constexpr int CAMERA_CHECK_PRESENT = 2;
constexpr int CAMERA_CHECK_IDLE = 4;

// The camera's extension unit: its property set and its topology node.
constexpr CaptureGuid CAMERA_XU_GUID = {0x4A8C02AD, 0xFF78, 0x4697, {0xAD, 0xD4, 0x21, 0xAC, 0x99, 0x33, 0x93, 0xF2}};
constexpr int XU_NODE_ID = 2;

// Extension-unit selectors.
constexpr int XU_SEL_REG_ADDR = 1;  // SET 2 bytes: register address, low byte first
constexpr int XU_SEL_REG_DATA = 2;  // 1 byte of the selected register
constexpr int XU_SEL_INFO_ADDR = 3; // SET 1 byte: information address
constexpr int XU_SEL_INFO_DATA = 4; // 1 byte of the selected information byte

// Information addresses.
constexpr int INFO_BUSY = 1;
constexpr int INFO_COLOR = 2;
constexpr int INFO_MODE = 7;
constexpr int INFO_COMMAND = 13;
constexpr int INFO_MODEL_NAME = 0x80;
constexpr int INFO_SERIAL_NO = 0x90;
constexpr int INFO_EXTRA1 = 0x98;
constexpr int INFO_EXTRA2 = 0xA0;

// Commands written to INFO_COMMAND.
constexpr int CMD_FACTORY_DEFAULT = 1;
constexpr int CMD_CONFIG_SAVE = 2;

// Camera registers; 16-bit ones hold the low byte at the address and the high byte at the next.
constexpr int REG_GAIN_MODE = 0x00;
constexpr int REG_SHUTTER_PRESET = 0x01;
constexpr int REG_SCAN_DIRECTION = 0x18;
constexpr int REG_MANUAL_GAIN = 0x20;
constexpr int REG_MANUAL_SHUTTER = 0x24;
constexpr int REG_GAIN_R = 0x28;
constexpr int REG_GAIN_B = 0x2A;
constexpr int REG_GAIN_G = 0x2C;
constexpr int REG_LINE_PERIOD = 0x30;
constexpr int REG_LINE_POSITION = 0x40;

constexpr int LINE_POS_CENTER = 0xFFFF;

// Frame transform of the frame callback: transposed into the raw frame layout.
constexpr unsigned char GRAB_MODE_ROTATE = 66;

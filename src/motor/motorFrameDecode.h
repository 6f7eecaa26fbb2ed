#pragma once

#include "motor/motorProtocol.h"

#include <QString>

#include <array>
#include <cstdint>

// What a frame on the bus means in the motor's protocol, judged from the frame alone
// (its ID, its bytes and whether the tool sent it), for the receive log, its filter,
// the command line and the charts of a recording. The values are formatted late, with
// the mapping ranges in force when the text is made.
//
// Where the frame alone is ambiguous this reading holds:
//  - A motor CAN ID is taken as one byte (the ID assignment carries one byte), so a
//    command ID splits into mode = ID >> 8 and motor = ID & 0xFF: 0x101 is the
//    position-velocity command to motor 0x01, never an MIT command to 0x101.
//  - A frame the tool sent on 0x000 ... 0x3FF is a command; one it received there (or
//    on any ID up to 0x7FE) is a reply or feedback from a motor on its master ID. A
//    received eight-byte frame that is no register, ID, version or bootloader reply is
//    feedback: the frame names only the low four bits of the motor's ID.
//  - A register reply holds the motor's ID in D0..D1 (at most 0x4FE, so D1 <= 4), a
//    command 33/55/AA in D2 and an RID of 0...37 in D3; anything else is feedback.
//  - An eight-byte MIT frame that begins '#' n '#' is the head of a firmware packet (the
//    bootloader takes its packets on the motor's MIT ID); the packet's other frames
//    cannot be told from MIT commands, except the last, shorter one.
//  - Frames on 0x7FF are requests to the motors whoever sent them.
struct MotorLogFrame
{
    enum Kind : quint8 {
        None,
        Command,             // `mode` 0..3 on mode * 0x100 + motor
        Special,             // enable / disable / save zero / clear error: `code` = D7
        Feedback,            // on `masterId` from a motor whose low four bits are `motorId`
        RegisterRequest,     // 0x7FF: `code` = 33 read, 55 write, AA save; `rid`
        RegisterReply,       // on `masterId`: `code`, `rid`, the value
        IdQuery,             // 0x7FF 55 00 00 AA
        IdAssign,            // 0x7FF AA id master 55
        IdQueryReply,        // 55 id master AA
        IdAssignReply,       // AA id master 55
        ScanProbe,           // 0x7FF n 00 33 23
        VersionReply,        // 11 c1 c2 EE
        CalibrationStart,    // 0x7FF id(lo) id(hi) 66 00 ...
        IdentificationStart, // 0x7FF 01 00 99 00 ...
        FirmwareRequest,     // 55 01 02 AA id(lo) id(hi) AA AA, on any ID
        FirmwarePacket,      // '#' n '#' length ...: the head of a firmware packet
        FirmwareData,        // the short last frame of a firmware packet
        FirmwareReply,       // the bootloader's words ("Aupgrade", "OK", "complete", "ERROR")
    };
    // The kinds the log's filter offers; a frame may belong to two (a can_br read reply
    // is the answer to a register read and to a scan probe alike).
    enum Group : quint8 {
        Commands = 0x01, // control commands, special commands, calibration starts
        FeedbackFrames = 0x02,
        Registers = 0x04,
        Ids = 0x08,      // ID query and assignment, scan probes and their replies
        Firmware = 0x10, // bootloader request, packets, replies, version replies
    };

    Kind kind = None;
    quint8 groups = 0;
    quint8 mode = 0;        // Command, Special: the control mode the ID selects
    quint8 code = 0;        // Special: D7; register frames: D2
    quint8 rid = 0;         // register frames
    quint32 motorId = 0;    // the motor addressed or answering (Feedback: four bits)
    quint32 masterId = 0;   // replies: the frame's ID; ID frames: the master ID they carry
    quint32 frameId = 0;
    quint8 length = 0;      // data bytes held in d (at most 8)
    std::array<uint8_t, 8> d{};

    bool known() const { return kind != None; }
    bool isReply() const;
    // Feedback names only the low four bits of its motor.
    bool motorIdPartial() const { return kind == Feedback; }
};

// `transmitted`: the tool (or its adapter) sent the frame. Frames that are no standard
// data frame of at most eight bytes are of no kind.
MotorLogFrame classifyLogFrame(uint32_t id, bool standardData, bool transmitted, const uint8_t *data, int length);

// Decoded values of a control command (the inverse of canDataConvention).
struct CommandValues
{
    float position = 0, velocity = 0, kp = 0, kd = 0, torque = 0; // MIT
    float current = 0;                                             // PVT, fraction of full scale
};
CommandValues decodeCommand(const MotorLogFrame &f, const MappingRanges &ranges);

// "feedback", "register-reply", ...: the kind's name for scripts; empty for None.
QString motorFrameKindName(MotorLogFrame::Kind kind);

// "0x0A": an ID as the decoded column writes it; "0x?A" when only its low four bits
// are known.
QString motorHexId(quint32 id);
QString motorNibbleText(quint32 nibble);

// The register value of a register frame as text: floats in 6 significant digits, IDs
// in hexadecimal, can_br with its bit rate, versions as the tool shows them.
QString registerRawText(int rid, uint32_t raw);
// "PMAX", or "RID 40" for a number without a register.
QString registerNameText(int rid);

// What the frame is and its values in units, in the language in force; empty for a
// frame of no kind. `knownCanid` / `knownMasterid` (the motor the tool talks to) name
// a feedback's motor in full when the feedback comes from it; -1 for none.
QString describeMotorFrame(const MotorLogFrame &f, const MappingRanges &ranges, qint64 knownCanid = -1,
                           qint64 knownMasterid = -1);

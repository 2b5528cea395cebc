#pragma once

class MeterModel;

// The commands of the unit setup dialog's totalizer, display, clock, logging
// and service settings: "GT,0" and "GT,2," to "GT,5,", "SC,2,", "MD,0",
// "MD,2,", "DT,0", "DT,1,", "LG,1,", "LG,2,", "VR,1," and "RY,9,". Each
// change is stored in the meter's state: a clock set moves its clock, a
// serial number set changes the version reply.
void installMiscCommands(MeterModel& model);

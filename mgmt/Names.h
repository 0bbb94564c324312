#pragma once
#include <string_view>

namespace quorvin::mgmt {

// The management classes, properties and methods that the program asks for and the backends answer, each
// written once. Names are matched without regard to case.
namespace cls {
inline constexpr std::string_view OperatingSystem = "Win32_OperatingSystem";
inline constexpr std::string_view Processor = "Win32_Processor";
inline constexpr std::string_view ProcessorCounters = "Win32_PerfRawData_PerfOS_Processor";
inline constexpr std::string_view ProcessCounters = "Win32_PerfRawData_PerfProc_Process";
inline constexpr std::string_view Process = "Win32_Process";
inline constexpr std::string_view Service = "Win32_Service";
inline constexpr std::string_view NetworkInterface = "Win32_PerfRawData_Tcpip_NetworkInterface";
} // namespace cls

namespace prop {
// Shared by several classes.
inline constexpr std::string_view Name = "Name";
inline constexpr std::string_view Caption = "Caption";
inline constexpr std::string_view PercentProcessorTime = "PercentProcessorTime";
inline constexpr std::string_view Timestamp = "Timestamp_Sys100NS";
// The operating system.
inline constexpr std::string_view CSDVersion = "CSDVersion";
inline constexpr std::string_view FreePhysicalMemory = "FreePhysicalMemory";
inline constexpr std::string_view FreeVirtualMemory = "FreeVirtualMemory";
inline constexpr std::string_view TotalVisibleMemorySize = "TotalVisibleMemorySize";
inline constexpr std::string_view Organization = "Organization";
inline constexpr std::string_view SerialNumber = "SerialNumber";
inline constexpr std::string_view NumberOfProcesses = "NumberOfProcesses";
inline constexpr std::string_view LastBootupTime = "LastBootupTime";
inline constexpr std::string_view InstallDate = "InstallDate";
// Processors.
inline constexpr std::string_view DeviceID = "DeviceID";
inline constexpr std::string_view NumberOfLogicalProcessors = "NumberOfLogicalProcessors";
// Processes and their counters.
inline constexpr std::string_view IDprocess = "IDprocess";
inline constexpr std::string_view WorkingSet = "WorkingSet";
inline constexpr std::string_view PageFileBytes = "PageFileBytes";
inline constexpr std::string_view ThreadCount = "ThreadCount";
inline constexpr std::string_view HandleCount = "HandleCount";
inline constexpr std::string_view Handle = "Handle";
inline constexpr std::string_view ProcessId = "ProcessId";
// The start in clock ticks after boot: with the process ID it names one process, never a later one.
inline constexpr std::string_view StartTime = "StartTime";
// Services.
inline constexpr std::string_view StartMode = "StartMode";
inline constexpr std::string_view Started = "Started";
inline constexpr std::string_view State = "State";
// Network interfaces.
inline constexpr std::string_view PacketsSent = "PacketsSentPersec";
inline constexpr std::string_view PacketsReceived = "PacketsReceivedPersec";
inline constexpr std::string_view BytesSent = "BytesSentPersec";
inline constexpr std::string_view BytesReceived = "BytesReceivedPersec";
inline constexpr std::string_view CurrentBandWidth = "CurrentBandWidth";
} // namespace prop

namespace method {
inline constexpr std::string_view Terminate = "Terminate";
inline constexpr std::string_view StartService = "StartService";
inline constexpr std::string_view StopService = "StopService";
} // namespace method

} // namespace quorvin::mgmt

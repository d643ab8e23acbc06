#include "audio/core/RealtimePriority.h"

#include <dbus/dbus.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace quillmere::audio {
namespace {

constexpr const char *RtkitService = "org.freedesktop.RealtimeKit1";
constexpr const char *RtkitPath = "/org/freedesktop/RealtimeKit1";
// A missing service is not waited for long: the threads start meanwhile.
constexpr int RtkitTimeoutMs = 500;

// Once rtkit has failed (no system bus, no service, refused), later threads do not ask again:
// each would wait for the same answer.
std::atomic<bool> g_rtkitFailed{false};
std::atomic<bool> g_refusalTold{false};

bool trySchedFifo(int priority)
{
    sched_param param{};
    param.sched_priority = priority;
    // Reset on fork: a helper the process starts must not inherit real-time scheduling.
    return pthread_setschedparam(pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0;
}

// Sends a call to rtkit and waits for its answer; the call is released. Null when rtkit
// did not answer or answered with an error.
DBusMessage *askRtkit(DBusConnection *bus, DBusMessage *call)
{
    DBusError error;
    dbus_error_init(&error);
    DBusMessage *reply =
        dbus_connection_send_with_reply_and_block(bus, call, RtkitTimeoutMs, &error);
    dbus_message_unref(call);
    if (dbus_error_is_set(&error) && reply) {
        dbus_message_unref(reply);
        reply = nullptr;
    }
    dbus_error_free(&error);
    return reply;
}

// An integer property of rtkit, or `fallback` when it cannot be read.
long long rtkitProperty(DBusConnection *bus, const char *name, long long fallback)
{
    DBusMessage *call = dbus_message_new_method_call(RtkitService, RtkitPath,
                                                     "org.freedesktop.DBus.Properties", "Get");
    if (!call)
        return fallback;
    const char *interface = RtkitService;
    dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name,
                             DBUS_TYPE_INVALID);
    DBusMessage *reply = askRtkit(bus, call);
    long long value = fallback;
    DBusMessageIter it;
    if (reply && dbus_message_iter_init(reply, &it) &&
        dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_VARIANT) {
        DBusMessageIter variant;
        dbus_message_iter_recurse(&it, &variant);
        if (dbus_message_iter_get_arg_type(&variant) == DBUS_TYPE_INT32) {
            dbus_int32_t v = 0;
            dbus_message_iter_get_basic(&variant, &v);
            value = v;
        } else if (dbus_message_iter_get_arg_type(&variant) == DBUS_TYPE_INT64) {
            dbus_int64_t v = 0;
            dbus_message_iter_get_basic(&variant, &v);
            value = v;
        }
    }
    if (reply)
        dbus_message_unref(reply);
    return value;
}

bool callMakeThreadRealtime(DBusConnection *bus, int priority)
{
    DBusMessage *call =
        dbus_message_new_method_call(RtkitService, RtkitPath, RtkitService, "MakeThreadRealtime");
    if (!call)
        return false;
    dbus_uint64_t thread = static_cast<dbus_uint64_t>(syscall(SYS_gettid));
    dbus_uint32_t wanted = static_cast<dbus_uint32_t>(priority);
    dbus_message_append_args(call, DBUS_TYPE_UINT64, &thread, DBUS_TYPE_UINT32, &wanted,
                             DBUS_TYPE_INVALID);
    DBusMessage *reply = askRtkit(bus, call);
    const bool granted = reply != nullptr;
    if (reply)
        dbus_message_unref(reply);
    return granted;
}

// rtkit only grants threads of a process whose RLIMIT_RTTIME is at most its own limit, so that
// the kernel stops a real-time thread that never sleeps; a lower limit already set is kept.
void limitRealtimeCpu(long long maxMicroseconds)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return;
    const rlim_t wanted = static_cast<rlim_t>(maxMicroseconds);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= wanted)
        return;
    limit.rlim_cur = limit.rlim_max = wanted;
    setrlimit(RLIMIT_RTTIME, &limit);
}

bool tryRtkit(int priority)
{
    if (g_rtkitFailed.load(std::memory_order_acquire))
        return false;
    DBusError error;
    dbus_error_init(&error);
    DBusConnection *bus = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
    dbus_error_free(&error);
    bool granted = false;
    if (bus) {
        dbus_connection_set_exit_on_disconnect(bus, FALSE);
        const long long most = rtkitProperty(bus, "MaxRealtimePriority", 0);
        if (most > 0) {
            limitRealtimeCpu(rtkitProperty(bus, "RTTimeUSecMax", 200000));
            granted = callMakeThreadRealtime(bus, std::min<long long>(priority, most));
        }
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
    if (!granted)
        g_rtkitFailed.store(true, std::memory_order_release);
    return granted;
}

} // namespace

PriorityRequest requestRealtimePriority(int priority)
{
    if (trySchedFifo(priority) || tryRtkit(priority))
        return PriorityRequest::Granted;
    if (!g_refusalTold.exchange(true))
        std::fprintf(stderr, "quillmere: real-time priority refused; playing at normal "
                             "priority (dropouts are likelier on a busy machine)\n");
    return PriorityRequest::Refused;
}

} // namespace quillmere::audio

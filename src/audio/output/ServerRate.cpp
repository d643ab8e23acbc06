#include "audio/output/ServerRate.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

namespace quillmere::audio {
namespace {

struct Query {
    pa_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    bool asked = false;
    bool done = false;
    int rate = 0;

    ~Query()
    {
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        if (loop)
            pa_mainloop_free(loop);
    }
};

void takeSink(pa_context *, const pa_sink_info *info, int eol, void *self)
{
    auto *q = static_cast<Query *>(self);
    if (eol == 0 && info && pa_sample_spec_valid(&info->sample_spec))
        q->rate = int(info->sample_spec.rate);
    if (eol != 0)
        q->done = true;
}

// One turn of the question: asks for the sink once connected; true when finished either way.
bool step(Query &q)
{
    const pa_context_state_t state = pa_context_get_state(q.context);
    if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
        return true;
    if (state == PA_CONTEXT_READY && !q.asked) {
        q.asked = true;
        pa_operation *op =
            pa_context_get_sink_info_by_name(q.context, "@DEFAULT_SINK@", &takeSink, &q);
        if (!op)
            return true;
        pa_operation_unref(op);
    }
    return q.done;
}

} // namespace

int defaultSinkRate(std::chrono::milliseconds timeout)
{
    using namespace std::chrono;
    Query q;
    q.loop = pa_mainloop_new();
    if (!q.loop)
        return 0;
    q.context = pa_context_new(pa_mainloop_get_api(q.loop), "Quillmere");
    if (!q.context || pa_context_connect(q.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return 0;
    const auto deadline = steady_clock::now() + timeout;
    while (!step(q)) {
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now()).count();
        if (left <= 0 || pa_mainloop_prepare(q.loop, int(left)) < 0 ||
            pa_mainloop_poll(q.loop) < 0 || pa_mainloop_dispatch(q.loop) < 0)
            return 0;
    }
    return q.rate;
}

} // namespace quillmere::audio

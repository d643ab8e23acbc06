#pragma once

// The program was asked to end (a quit signal, the session manager's logout). Every modal
// dialog then closes as if cancelled, no new message box opens, and the window's loading
// path knows not to save a half-loaded playlist. UI thread only.
namespace QuitRequest {

// Marks the request and rejects every dialog that is open.
void request();
bool requested();
// Forgets the request (a test that builds windows after one).
void reset();

} // namespace QuitRequest

#pragma once

// How long a download waits for each answer (the record count or one record) and how often it
// asks again before it gives up. Every program that downloads the instrument's records keeps
// to these, so the records arrive the same way whichever program fetches them.

/// Milliseconds to wait for the answer to one request.
constexpr int HistoryAnswerTimeoutMs = 1000;
/// Requests sent again after the first went unanswered.
constexpr int HistoryMaxRetries = 3;

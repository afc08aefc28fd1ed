#pragma once

namespace catalogd {

// The service's result codes; each is also a message number on the client.
enum ResultCode : int {
    kOk = 0,
    kBadParameter = 200,
    kWrongCredentials = 201,
    kNotActivated = 202,
    kBadSession = 203,
    kLoginTaken = 204,
    kMailTaken = 205,
    kNoSuchAccount = 206,
    kNoSuchApp = 207,
    kBadRating = 208,
    kOldClient = 209,
    kTextTooLong = 210,
    // Too many tries in a while (failed sign-ins of a login or from an
    // address, registrations from an address, feedback): the allowance comes
    // back with time.
    kTooManyTries = 211,
    // Every slot for the expensive work (password hashing) stayed taken for
    // the whole short wait: nothing was done, the client may ask again.
    kBusy = 212,
};

}  // namespace catalogd

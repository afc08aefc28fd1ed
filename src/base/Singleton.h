#pragma once

// Process-wide manager: one instance, built on first use and destroyed at exit.
// A class T derives from Singleton<T> and befriends it if its constructor is
// not public.
template <class T>
class Singleton {
public:
    static T& Instance() {
        static T instance;
        return instance;
    }
    virtual ~Singleton() = default;

protected:
    Singleton() = default;
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;
};

#pragma once
// The COM apartment a worker thread lives in: on Windows a single-threaded apartment entered
// when the thread starts and left when it ends; nothing elsewhere.

class ThreadApartment {
public:
    ThreadApartment();
    ~ThreadApartment();
    ThreadApartment(const ThreadApartment&) = delete;
    ThreadApartment& operator=(const ThreadApartment&) = delete;

    bool Entered() const { return entered_; }

private:
    bool entered_ = false;
};

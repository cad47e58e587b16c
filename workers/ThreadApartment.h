#pragma once
// The COM apartment a worker thread lives in: on Windows a single-threaded apartment entered
// when the thread starts and left when it ends; nothing elsewhere.

class TasThreadApartment {
public:
    TasThreadApartment();
    ~TasThreadApartment();
    TasThreadApartment(const TasThreadApartment&) = delete;
    TasThreadApartment& operator=(const TasThreadApartment&) = delete;

    bool Entered() const { return entered_; }

private:
    bool entered_ = false;
};

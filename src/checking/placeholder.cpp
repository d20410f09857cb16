namespace pelmora { void checking_placeholder() {} }

#define CID_intro 10

